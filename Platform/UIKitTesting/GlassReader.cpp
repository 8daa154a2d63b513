#include "UIKitTesting/GlassReader.h"

#include "UIKit/GlassRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIWindow.h"

std::string GlassReader::text(const std::shared_ptr<UIWindow>& window) { return GlassRenderer::render(window); }

std::shared_ptr<UIAlertController> GlassReader::visibleAlert(const std::shared_ptr<UIWindow>& window) {
    if (!window) return nullptr;
    // Only the last of the presentation chain is showing; an alert further down is covered.
    auto top = window->rootViewController();
    while (top && top->presentedViewController()) top = top->presentedViewController();
    return std::dynamic_pointer_cast<UIAlertController>(top);
}
