#include "Velmaro/CoreInterface/MessageModel.h"

namespace velmaro {

std::optional<MessageModel> MessageModel::fromJson(const AnyDictionary& json) {
    MessageModel model;
    if (auto it = json.find("messageId"); it != json.end()) {
        auto number = it->second.number();
        if (!number) return std::nullopt;
        model.messageId = *number;
    }
    auto created = recordDate(json, "createdDateTime", Date::now());
    if (!created) return std::nullopt;
    auto contents = recordContents(json, "contents");
    if (!contents) return std::nullopt;

    model.message = stringValue(json, "message").value_or("");
    model.createdDateTime = *created;
    model.type = stringValue(json, "type").value_or("");
    model.senderType = stringValue(json, "senderType").value_or("");
    model.contents = std::move(*contents);
    return model;
}

}  // namespace velmaro
