// velmaro-demo: a host application that embeds the Velmaro support screens on the embedded
// support desk: a tour of every screen, one start of the layer, or a prompt to drive it by hand.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Demo/DemoCommandLine.h"
#include "Demo/DemoConsole.h"
#include "Demo/DemoTour.h"
#include "Demo/DemoWindow.h"
#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"

int main(int argc, char** argv) {
    auto line = DemoCommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (line.error) {
        std::cerr << "velmaro-demo: " << *line.error << "\n" << DemoCommandLine::usage();
        return 2;
    }
    if (line.window && line.mode != DemoCommandLine::Mode::help) {
        RunLoop::makeMain(std::make_shared<SystemClock>());
        if (line.mode == DemoCommandLine::Mode::tour) return DemoWindow::runTour(line.options, line.pace, std::cout);
        return DemoWindow::runInteractive(line.options, std::cout);
    }
    switch (line.mode) {
        case DemoCommandLine::Mode::help:
            std::cout << DemoCommandLine::usage();
            return 0;
        case DemoCommandLine::Mode::interactive:
            // The system clock: the desk answers in real time on its own thread, so the screens'
            // time runs with it, and a pause at the prompt lets animations end as in the app.
            RunLoop::makeMain(std::make_shared<SystemClock>());
            return DemoConsole::run(line.options, std::cin, std::cout);
        case DemoCommandLine::Mode::once:
            RunLoop::makeMain(std::make_shared<SystemClock>());
            return DemoTour(std::cout).runOnce(line.options);
        case DemoCommandLine::Mode::tour:
            break;
    }
    RunLoop::makeMain(std::make_shared<SystemClock>());
    return DemoTour(std::cout).runTour(line.options);
}
