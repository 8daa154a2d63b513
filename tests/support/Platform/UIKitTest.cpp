#include "support/Platform/UIKitTest.h"

#include "UIKitTesting/UIKitTestingState.h"

void UIKitTest::SetUp() {
    MainLoopTest::SetUp();
    UIKitTestingState::reset();
    window_ = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
}

void UIKitTest::TearDown() {
    window_->endEditing(true);
    MainLoopTest::TearDown();
    window_.reset();
    UIKitTestingState::reset();
}
