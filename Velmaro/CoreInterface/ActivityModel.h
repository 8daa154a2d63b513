#pragma once

#include <optional>
#include <vector>

#include "Velmaro/CoreInterface/ContentModel.h"

namespace velmaro {

// One activity of a conversation; the last content item is the newest.
struct ActivityModel {
    std::vector<ContentModel> contents;

    // Key "contents": an array of content dictionaries (absent: no items). Yields nothing when
    // the list cannot be read.
    static std::optional<ActivityModel> fromJson(const AnyDictionary& json);

    bool operator==(const ActivityModel&) const = default;
};

}  // namespace velmaro
