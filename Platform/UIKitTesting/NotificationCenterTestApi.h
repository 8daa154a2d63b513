#pragma once

#include <cstddef>

class NotificationCenter;

// What tests reach of the notification center beyond its public face.
class NotificationCenterTestApi {
public:
    // Drops every registration of the default center, so tests cannot leak observers into each other.
    static void resetDefault();
    // Registrations still alive (tokens not destroyed, observers not removed).
    static std::size_t observerCount(const NotificationCenter& center);
};
