#include "UIKitTesting/NotificationCenterTestApi.h"

#include "Foundation/NotificationCenter.h"

void NotificationCenterTestApi::resetDefault() { NotificationCenter::defaultCenter().removeAllObservers(); }

std::size_t NotificationCenterTestApi::observerCount(const NotificationCenter& center) {
    return center.liveObserverCount();
}
