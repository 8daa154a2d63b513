// velmaro-demo: a host application that embeds the Velmaro support screens on the embedded
// support desk. Without options it runs a scripted tour; with options it starts the layer once.

#include <iostream>
#include <memory>
#include <string>

#include "Demo/DemoTour.h"
#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"

namespace {

int usage(std::ostream& out, int status) {
    out << "usage: velmaro-demo [--user-name-required] [--user NAME] [--first NAME] [--last NAME] [--token T]\n"
           "Without options: a scripted tour of the support screens.\n"
           "With options: the tenant's user-name requirement and the host's user parameters for one start.\n";
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    RunLoop::makeMain(std::make_shared<SystemClock>());
    DemoTour tour(std::cout);
    if (argc == 1) return tour.runTour();

    DemoTour::Options options;
    auto set = [&options](const char* key, const char* value) {
        if (!options.userParameters) options.userParameters.emplace();
        (*options.userParameters)[key] = value;
    };
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") return usage(std::cout, 0);
        if (flag == "--user-name-required") {
            options.userNameRequired = true;
            continue;
        }
        const char* key = flag == "--user" ? "userName"
                          : flag == "--first" ? "firstName"
                          : flag == "--last" ? "lastName"
                          : flag == "--token" ? "endUserToken"
                                              : nullptr;
        if (!key || i + 1 >= argc) return usage(std::cerr, 2);
        set(key, argv[++i]);
    }
    return tour.runOnce(options);
}
