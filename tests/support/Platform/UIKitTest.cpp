#include "support/Platform/UIKitTest.h"

void UIKitTest::SetUp() {
    MainLoopTest::SetUp();
    window_ = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
}

void UIKitTest::TearDown() {
    window_->endEditing(true);
    MainLoopTest::TearDown();
    window_.reset();
}
