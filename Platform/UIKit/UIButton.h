#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "UIKit/UIControl.h"
#include "UIKit/UIImage.h"

class UINavigationBar;

// A control with a title and an image per control state; a state without its own falls back to
// the normal state's. A tap recognizer of another view does not take a tap on an enabled button.
class UIButton : public UIControl {
public:
    enum class ButtonType { custom, system };

    // What the button appearance proxy for buttons inside navigation bars sets.
    struct Appearance {
        std::optional<UIColor> tintColor;
    };
    // appearanceWhenContainedInInstancesOfClasses: only navigation bars are supported as
    // containers. Applied when a button first enters a window inside a navigation bar, unless the
    // button has its own tint by then.
    template <class Container>
    static Appearance& appearanceWhenContainedInInstancesOfClasses() {
        static_assert(std::is_same_v<Container, UINavigationBar>,
                      "only navigation bars are supported as appearance containers");
        return navigationBarAppearance();
    }

    UIButton();
    explicit UIButton(CGRect frame);
    explicit UIButton(ButtonType type);

    ButtonType buttonType() const { return type_; }

    void setTitle(std::optional<std::string> title, unsigned state);
    std::optional<std::string> title(unsigned state) const;
    std::optional<std::string> currentTitle() const { return title(state()); }
    void setTitleColor(std::optional<UIColor> color, unsigned state);
    std::optional<UIColor> titleColor(unsigned state) const;
    void setImage(std::shared_ptr<UIImage> image, unsigned state);
    std::shared_ptr<UIImage> image(unsigned state) const;
    std::shared_ptr<UIImage> currentImage() const { return image(state()); }
    void setBackgroundImage(std::shared_ptr<UIImage> image, unsigned state);
    std::shared_ptr<UIImage> backgroundImage(unsigned state) const;

    bool gestureRecognizerShouldBegin(const UIGestureRecognizer& recognizer) const override;
    void didMoveToWindow() override;

private:
    static Appearance& navigationBarAppearance();
    template <class V>
    static V lookup(const std::map<unsigned, V>& values, unsigned state);

    ButtonType type_ = ButtonType::custom;
    std::map<unsigned, std::optional<std::string>> titles_;
    std::map<unsigned, std::optional<UIColor>> titleColors_;
    std::map<unsigned, std::shared_ptr<UIImage>> images_;
    std::map<unsigned, std::shared_ptr<UIImage>> backgroundImages_;
    bool appearanceApplied_ = false;
};
