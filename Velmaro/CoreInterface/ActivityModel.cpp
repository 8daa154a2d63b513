#include "Velmaro/CoreInterface/ActivityModel.h"

namespace velmaro {

std::optional<ActivityModel> ActivityModel::fromJson(const AnyDictionary& json) {
    auto contents = recordContents(json, "contents");
    if (!contents) return std::nullopt;
    return ActivityModel{std::move(*contents)};
}

}  // namespace velmaro
