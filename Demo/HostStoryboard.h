#pragma once

#include <functional>
#include <memory>

class HostHomeViewController;
class UIViewController;

// The host application's storyboard "Main": its initial screen is a navigation controller whose
// root is the host's home screen.
class HostStoryboard {
public:
    static constexpr const char* name = "Main";
    // `prepareHome` wires up every home screen the storyboard makes (the host's own start-up and
    // a push notification's fresh hierarchy alike).
    static void registerScenes(std::function<void(HostHomeViewController&)> prepareHome = nullptr);
    static std::shared_ptr<UIViewController> instantiateInitial();
};
