#include "support/UIKitTest.h"

#include "UIKit/UIButton.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIViewAnimationLog.h"

void UIKitTest::SetUp() {
    MainLoopTest::SetUp();
    UINavigationBar::resetAppearanceForTesting();
    UIButton::resetAppearanceForTesting();
    UIViewAnimationLog::clear();
    UIView::setAnimationsEnabled(true);
    window_ = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
}

void UIKitTest::TearDown() {
    window_->endEditing(true);
    MainLoopTest::TearDown();
    window_.reset();
    UIViewAnimationLog::clear();
}
