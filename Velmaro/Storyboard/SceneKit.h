#pragma once

#include <memory>
#include <string>

#include "UIKit/CGRect.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "Velmaro/Helpers/SceneKey.h"

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
    // A title-only button, its title in `titleColor` (the platform's default, white, is lost on
    // the scenes' white).
    static std::shared_ptr<UIButton> button(CGRect frame, std::string title, UIColor titleColor = linkColor());
    // A text field in the platform's rounded box, its text inside the box's margins.
    static std::shared_ptr<UITextField> textField(CGRect frame, std::string placeholder);

    // Text colours that keep a readable contrast on white and on the light panels: titles of
    // plain buttons, and the small grey texts (times, captions, dates).
    static UIColor linkColor();
    static UIColor secondaryTextColor();

    // Keeps a view of the scene at its frame's y below the screen's top layout guide: scenes draw
    // what sits under the bars with the guide at 0 (see UIViewController::pinToTopLayoutGuide).
    static void underBars(UIViewController& screen, const std::shared_ptr<UIView>& view,
                          UIViewController::GuidePin pin = UIViewController::GuidePin::moves);
    // Keeps a view at its distance from the bottom when the scene's view shrinks (under an opaque
    // bar it starts below the bar).
    static void onBottom(const std::shared_ptr<UIView>& view);
    // A named image of the framework bundle, or nothing when the bundle lacks it.
    static std::shared_ptr<UIImage> image(const std::string& name);

    // A link of the storyboard: a tap on the control pushes a fresh screen of the scene with that
    // identifier onto the navigation controller of `screen`, if the screen's storyboard has that
    // scene and the screen is in a navigation controller. Holds the screen weakly.
    static void pushOnTap(const std::shared_ptr<UIControl>& control, UIViewController& screen, std::string identifier);

    // The tenant header at the top of a titled scene, added to `root` and connected to the
    // screen's header outlets.
    static void addHeader(SceneKey key, const std::shared_ptr<UIView>& root, TitledViewController& screen,
                          CGFloat titleWidth = 291);
    static constexpr CGFloat headerHeight = 56;
};

}  // namespace velmaro
