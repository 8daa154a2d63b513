#include "FuzzTargets.h"

const std::vector<FuzzTarget>& fuzzTargets() {
    static const std::vector<FuzzTarget> targets{
        {"RecordsFromJson", fuzzRecordsFromJson},
        {"PushPayload", fuzzPushPayload},
        {"DateParsing", fuzzDateParsing},
        {"UrlAndImageAddress", fuzzUrlAndImageAddress},
        {"UserDefaultsFile", fuzzUserDefaultsFile},
        {"ImageDecoding", fuzzImageDecoding},
        {"EmailCheck", fuzzEmailCheck},
        {"DeskRequest", fuzzDeskRequest},
    };
    return targets;
}
