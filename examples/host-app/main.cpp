// The example host: opens the support screens over its home screen and prints the glass.

#include <iostream>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "HostApp.h"
#include "UIKit/GlassRenderer.h"

int main() {
    RunLoop::makeMain(std::make_shared<SystemClock>());
    std::cout << "Velmaro " << velmaro::version() << "\n";
    try {
        auto app = HostApp::launch();
        app.openSupport();
        RunLoop::main().runFor(2.0);
        std::cout << GlassRenderer::render(app.window);
    } catch (const velmaro::VelmaroBundleNotFound& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
