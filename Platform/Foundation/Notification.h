#pragma once

#include <string>

#include "Foundation/Any.h"

// What a NotificationCenter delivers: a name, the identity of the object that sent it (nullptr
// when nobody in particular did) and free-form details.
class Notification {
public:
    Notification() = default;
    explicit Notification(std::string notificationName, const void* sender = nullptr, AnyDictionary info = {})
        : name(std::move(notificationName)), object(sender), userInfo(std::move(info)) {}

    std::string name;
    // An identity only: the center never dereferences it.
    const void* object = nullptr;
    AnyDictionary userInfo;
};
