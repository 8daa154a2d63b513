#pragma once

#include <string>

// What tests that register throw-away storyboards need to clean up after themselves.
class UIStoryboardTestApi {
public:
    // Forgets every scene, cell prototype and initial scene registered under the name.
    static void unregisterStoryboard(const std::string& storyboardName);
};
