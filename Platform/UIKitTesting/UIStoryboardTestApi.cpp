#include "UIKitTesting/UIStoryboardTestApi.h"

#include "UIKit/UIStoryboard.h"

void UIStoryboardTestApi::unregisterStoryboard(const std::string& storyboardName) {
    UIStoryboard::unregisterStoryboard(storyboardName);
}
