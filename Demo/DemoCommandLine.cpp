#include "Demo/DemoCommandLine.h"

#include <charconv>

#include "Demo/RemoteDesk.h"

DemoCommandLine DemoCommandLine::parse(const std::vector<std::string>& arguments) {
    DemoCommandLine line;
    bool interactive = false, snapshots = true, oneStart = false;
    std::optional<std::string> folder;
    auto fail = [&line](std::string message) {
        line.error = std::move(message);
        return line;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (flag == "--help" || flag == "-h") {
            line.mode = Mode::help;
            return line;
        }
        if (flag == "--interactive") {
            interactive = true;
        } else if (flag == "--window") {
            line.window = true;
        } else if (flag == "--pace") {
            auto seconds = value();
            double pace = -1;
            if (seconds) {
                auto [end, status] = std::from_chars(seconds->data(), seconds->data() + seconds->size(), pace);
                if (status != std::errc() || end != seconds->data() + seconds->size()) pace = -1;
            }
            if (!(pace >= 0 && pace <= 60)) return fail("--pace needs seconds from 0 to 60");
            line.pace = pace;
        } else if (flag == "--no-snapshots") {
            snapshots = false;
        } else if (flag == "--user-name-required") {
            line.options.userNameRequired = true;
            oneStart = true;
        } else if (flag == "--snapshots") {
            folder = value();
            if (!folder || folder->empty()) return fail("--snapshots needs a folder");
            snapshots = true;
        } else if (flag == "--scale") {
            auto scale = value();
            if (scale != "1" && scale != "2" && scale != "3")
                return fail("--scale needs 1, 2 or 3 pixels a point");
            line.options.scale = std::stod(*scale);
        } else if (flag == "--desk") {
            auto url = value();
            if (!url || deskAddresses(*url).empty())
                return fail("--desk needs the desk's address, such as http://127.0.0.1:8080, or several "
                            "separated by commas");
            line.options.deskUrl = *url;
        } else if (flag == "--agent-file") {
            auto file = value();
            if (!file || file->empty()) return fail("--agent-file needs a file");
            line.options.agentFile = *file;
        } else if (flag == "--chaos") {
            auto seed = value();
            if (!seed) return fail("--chaos needs a seed");
            std::uint64_t number = 0;
            auto [end, status] = std::from_chars(seed->data(), seed->data() + seed->size(), number);
            if (seed->empty() || status != std::errc() || end != seed->data() + seed->size())
                return fail("--chaos needs an unsigned whole number, not \"" + *seed + "\"");
            line.options.chaosSeed = number;
        } else if (flag == "--user" || flag == "--first" || flag == "--last" || flag == "--token") {
            const char* key = flag == "--user"    ? "userName"
                              : flag == "--first" ? "firstName"
                              : flag == "--last"  ? "lastName"
                                                  : "endUserToken";
            auto text = value();
            if (!text) return fail(flag + " needs a value");
            if (!line.options.userParameters) line.options.userParameters.emplace();
            (*line.options.userParameters)[key] = *text;
            oneStart = true;
        } else {
            return fail("unknown option " + flag);
        }
    }
    if (line.options.deskUrl && line.options.chaosSeed) return fail("--chaos plays on the embedded desk only");
    line.mode = interactive ? Mode::interactive : oneStart ? Mode::once : Mode::tour;
    if (line.mode == Mode::tour && snapshots) line.options.snapshotFolder = folder.value_or(defaultSnapshotFolder);
    return line;
}

std::string DemoCommandLine::usage() {
    return "usage: velmaro-demo [--snapshots DIR | --no-snapshots] [--scale 1|2|3] [--chaos SEED]\n"
           "       velmaro-demo --desk URL[,URL...] [--agent-file FILE] [--interactive] [other options]\n"
           "       velmaro-demo --interactive [--user NAME] [--first NAME] [--last NAME] [--token T]\n"
           "       velmaro-demo [--user-name-required] [--user NAME] [--first NAME] [--last NAME] [--token T]\n"
           "       velmaro-demo --window [--pace SECONDS] [--interactive] [other options as above]\n"
           "Without options: a tour of every support screen, with a PNG of each step and an index.html\n"
           "  in DIR (default build/demo).\n"
           "--interactive: drive the screens by hand at a prompt (type help there).\n"
           "--window: the same in a desktop window; the tour holds each step SECONDS (default 2.5),\n"
           "  --interactive lets you drive with the mouse and the keyboard.\n"
           "With user options alone: one start of the layer with the host's user parameters.\n"
           "--desk URL: play on a running velmaro-desk instead of the embedded desk, answering as the agent\n"
           "  of FILE (default velmaro-desk-agent.json, which a desk without agents writes beside its database).\n"
           "  Several addresses of desks on one database, separated by commas: the layer moves to the next\n"
           "  when its desk is gone.\n";
}
