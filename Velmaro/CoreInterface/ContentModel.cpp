#include "Velmaro/CoreInterface/ContentModel.h"

#include "Velmaro/CoreInterface/WireFormat.h"

namespace velmaro {

std::optional<Date> recordDate(const AnyDictionary& json, const std::string& key, Date fallback) {
    auto it = json.find(key);
    if (it == json.end()) return fallback;
    if (auto text = it->second.string()) {
        return WireFormat::dateFormatter().dateFromString(*text);
    }
    return it->second.date();
}

std::optional<std::vector<ContentModel>> recordContents(const AnyDictionary& json,
                                                        const std::string& key) {
    auto it = json.find(key);
    if (it == json.end()) return std::vector<ContentModel>{};
    const AnyArray* items = it->second.array();
    if (!items) return std::nullopt;
    std::vector<ContentModel> contents;
    contents.reserve(items->size());
    for (const Any& item : *items) {
        const AnyDictionary* dictionary = item.dictionary();
        if (!dictionary) return std::nullopt;
        auto content = ContentModel::fromJson(*dictionary);
        if (!content) return std::nullopt;
        contents.push_back(std::move(*content));
    }
    return contents;
}

std::optional<ContentModel> ContentModel::fromJson(const AnyDictionary& json) {
    auto created = recordDate(json, "createdDateTime", Date::now());
    if (!created) return std::nullopt;
    ContentModel content;
    content.text = stringValue(json, "text").value_or("");
    content.direction = stringValue(json, "direction").value_or("");
    content.createdDateTime = *created;
    content.contentType = stringValue(json, "contentType").value_or("");
    content.eventDescription = stringValue(json, "eventDescription").value_or("");
    return content;
}

}  // namespace velmaro
