#include "UIKitTesting/UserDefaultsTestApi.h"

#include "Foundation/UserDefaults.h"

void UserDefaultsTestApi::resetStandard() {
    auto& defaults = UserDefaults::standard();
    std::lock_guard lock(defaults.mutex_);
    defaults.values_.clear();
    defaults.file_.reset();
    defaults.dirty_ = false;
    defaults.stopBeforeRename_ = false;
}

void UserDefaultsTestApi::stopWritesBeforeRename(UserDefaults& defaults, bool stop) {
    std::lock_guard lock(defaults.mutex_);
    defaults.stopBeforeRename_ = stop;
}
