#pragma once

#include <memory>
#include <ostream>

#include "Demo/DemoTour.h"

class UIWindow;

// velmaro-demo in a desktop window: the tour held on the window step by step at a pace a person
// can follow, or the Acme app to drive with the mouse and the keyboard. Both need a display.
class DemoWindow {
public:
    static constexpr const char* title = "Velmaro demo";
    static constexpr double defaultPace = 2.5;

    // The tour, each step's glass held for `pace` seconds; as DemoTour::runTour, and 0 when the
    // person closed the window before the end. 3 when no window could be opened.
    static int runTour(const DemoTour::Options& options, double pace, std::ostream& out);
    // The Acme app with the keyboard helper switched on, until the window is closed: then 0.
    // 3 when no window could be opened.
    static int runInteractive(const DemoTour::Options& options, std::ostream& out);

    // What Tab does: taps the next arrow of the keyboard toolbar above the input being edited;
    // false when it shows none or the arrow is disabled.
    static bool tapNextArrow(const std::shared_ptr<UIWindow>& window);
};
