#pragma once

#include <memory>

#include "UIKit/UIColor.h"

class UIViewController;

namespace velmaro {

// What the layer adds to the application class (which it cannot extend): process-wide theming
// and finding the screen that is really on top. Main thread only.
class VelmaroApplication {
public:
    // Styles the navigation bars, their titles, bar button item titles and the buttons inside
    // navigation bars created from now on with the colour, process-wide.
    static void utilizePrimaryColor(const UIColor& primaryColor);
    // The screen on top of `controller`: through a navigation controller's visible screen, a tab
    // bar controller's selection and presented screens; nothing for nothing.
    static std::shared_ptr<UIViewController> topViewController(std::shared_ptr<UIViewController> controller);
};

// The colour applied when the user leaves the support screens: white.
const UIColor& appPrimaryColor();

}  // namespace velmaro
