#include "UIKitTesting/UIKitTestingState.h"

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewAnimationLog.h"
#include "UIKitTesting/BundleTestApi.h"
#include "UIKitTesting/NotificationCenterTestApi.h"
#include "UIKitTesting/UIDeviceTestApi.h"
#include "UIKitTesting/UserDefaultsTestApi.h"

void UIKitTestingState::reset() {
    UserDefaultsTestApi::resetStandard();
    NotificationCenterTestApi::resetDefault();
    BundleTestApi::reset();
    // The appearance proxies are public and process-wide: a fresh process has them empty.
    UINavigationBar::appearance() = {};
    UIBarButtonItem::appearance() = {};
    UIButton::appearanceWhenContainedInInstancesOfClasses<UINavigationBar>() = {};
    UIView::setAnimationsEnabled(true);
    UIViewAnimationLog::clear();
    UIDeviceTestApi::reset();
}
