#pragma once

#include <memory>
#include <string>

class UIView;
class UIViewController;
class UIWindow;

// Writes what a person would see on a window as text, one element a line, top to bottom: the
// navigation bar (title, back control, items), then the visible screen's views that are neither
// hidden nor fully transparent (texts, titles, image names, enabled state, table rows), then any
// alert presented on top. Screens covered by a full-screen presentation are not shown. Siblings
// are read top to bottom, then left to right; views that show nothing themselves add no line, only
// their content. The output depends on nothing but what is shown, so it can be compared.
class GlassRenderer {
public:
    static std::string render(const std::shared_ptr<UIWindow>& window);
    // One screen as it would show if it were on the glass.
    static std::string render(const std::shared_ptr<UIViewController>& controller);
    static std::string renderView(const std::shared_ptr<UIView>& view);
};
