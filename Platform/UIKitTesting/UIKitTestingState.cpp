#include "UIKitTesting/UIKitTestingState.h"

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewAnimationLog.h"

void UIKitTestingState::reset() {
    UINavigationBar::resetAppearanceForTesting();
    UIBarButtonItem::resetAppearanceForTesting();
    UIButton::resetAppearanceForTesting();
    UIView::setAnimationsEnabled(true);
    UIViewAnimationLog::clear();
    UIDevice::current().resetForTesting();
}
