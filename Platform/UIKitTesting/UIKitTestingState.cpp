#include "UIKitTesting/UIKitTestingState.h"

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewAnimationLog.h"
#include "UIKitTesting/UIDeviceTestApi.h"

void UIKitTestingState::reset() {
    // The appearance proxies are public and process-wide: a fresh process has them empty.
    UINavigationBar::appearance() = {};
    UIBarButtonItem::appearance() = {};
    UIButton::appearanceWhenContainedInInstancesOfClasses<UINavigationBar>() = {};
    UIView::setAnimationsEnabled(true);
    UIViewAnimationLog::clear();
    UIDeviceTestApi::reset();
}
