#pragma once

#include <concepts>
#include <memory>
#include <string>

#include "UIKit/UIStoryboard.h"

class UIViewController;

namespace velmaro {

// Marks a screen that lives in a storyboard under its plain class name. C++ cannot name a class
// by itself, so each such screen spells its name once as `storyboardIdentifier`.
class StoryboardIdentifiable {
protected:
    StoryboardIdentifiable() = default;
    ~StoryboardIdentifiable() = default;
};

template <class T>
concept StoryboardScene = std::derived_from<T, UIViewController> &&
    std::derived_from<T, StoryboardIdentifiable> && requires {
        { T::storyboardIdentifier } -> std::convertible_to<std::string>;
    };

// Stops the program: a scene the layer relies on is missing from its storyboard, which is a
// defect of the build, never a condition to recover from.
[[noreturn]] void sceneMissing(const std::string& identifier);

// A fresh screen of class T from the scene named after T; stops the program when the storyboard
// has no such scene or the scene is of another class.
template <StoryboardScene T>
std::shared_ptr<T> instantiateVC(const UIStoryboard& storyboard) {
    const std::string identifier = T::storyboardIdentifier;
    auto controller = storyboard.instantiate<T>(identifier);
    if (!controller) sceneMissing(identifier);
    return controller;
}

}  // namespace velmaro
