#pragma once

#include <memory>

class UIViewController;

// The host application's storyboard "Main": its initial screen is a navigation controller whose
// root is the host's home screen.
class HostStoryboard {
public:
    static constexpr const char* name = "Main";
    static void registerScenes();
    static std::shared_ptr<UIViewController> instantiateInitial();
};
