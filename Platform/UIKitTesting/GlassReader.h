#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UIKitTesting/LayoutCheck.h"

class UIAlertController;
class UIWindow;

// What a person sees on a window; gestures are UIEventGenerator's.
class GlassReader {
public:
    // The window's glass as GlassRenderer writes it.
    static std::string text(const std::shared_ptr<UIWindow>& window);
    // The alert on top of the window's root and its presentations, if one is showing.
    static std::shared_ptr<UIAlertController> visibleAlert(const std::shared_ptr<UIWindow>& window);
    // Every layout problem on the window's glass (see LayoutCheck).
    static std::vector<LayoutProblem> layoutProblems(const std::shared_ptr<UIWindow>& window) {
        return LayoutCheck::problems(window);
    }
};

// What is on the glass of the window, as GlassRenderer writes it.
inline std::string glass(const std::shared_ptr<UIWindow>& window) { return GlassReader::text(window); }
