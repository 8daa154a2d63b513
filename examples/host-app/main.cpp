// The example host: opens the support screens over its home screen and prints the glass.
// `host-app --desk URL[,URL...]` does it on a velmaro-desk instead of the embedded desk.

#include <iostream>
#include <string>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "HostApp.h"
#include "UIKit/GlassRenderer.h"

int main(int argc, char** argv) {
    RunLoop::makeMain(std::make_shared<SystemClock>());
    std::cout << "Velmaro " << velmaro::version() << "\n";
    try {
        const bool onDesk = argc == 3 && std::string(argv[1]) == "--desk";
        auto app = onDesk ? HostApp::launchOnDesk(argv[2]) : HostApp::launch();
        app.openSupport();
        RunLoop::main().runFor(2.0);
        std::cout << GlassRenderer::render(app.window);
    } catch (const velmaro::VelmaroBundleNotFound& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
