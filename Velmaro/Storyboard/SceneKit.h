#pragma once

#include <memory>
#include <string>

#include "UIKit/CGRect.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"
#include "Velmaro/Helpers/SceneKey.h"

class UIViewController;

namespace velmaro {

class TitledViewController;

// What the scene builders share: the screen size the scenes are drawn for, and the header every
// titled scene carries.
class SceneKit {
public:
    static constexpr CGRect screenBounds{0, 0, 375, 667};

    // The root view of a scene: white, following the size of whatever holds it.
    static std::shared_ptr<UIView> rootView();
    static std::shared_ptr<UILabel> label(CGRect frame, std::string text);
    static std::shared_ptr<UIButton> button(CGRect frame, std::string title);
    // A named image of the framework bundle, or nothing when the bundle lacks it.
    static std::shared_ptr<UIImage> image(const std::string& name);

    // A link of the storyboard: a tap on the control pushes a fresh screen of the scene with that
    // identifier onto the navigation controller of `screen`, if the screen's storyboard has that
    // scene and the screen is in a navigation controller. Holds the screen weakly.
    static void pushOnTap(const std::shared_ptr<UIControl>& control, UIViewController& screen, std::string identifier);

    // The tenant header at the top of a titled scene, added to `root` and connected to the
    // screen's header outlets.
    static void addHeader(SceneKey key, const std::shared_ptr<UIView>& root, TitledViewController& screen);
};

}  // namespace velmaro
