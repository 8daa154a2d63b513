// What a desk's client sends: a request target, a request body, a chat frame. The first byte
// picks which parser reads the rest.

#include <string>

#include "DeskServer/Wire/Protocol.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"

using namespace velmaro::deskserver;

int fuzzDeskRequest(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 3) {
        case 0: {
            Target target = parseTarget(text);
            for (const auto& segment : target.segments) {
                fuzzsupport::check(!segment.empty(), "an empty path segment");
                try {
                    validId(segment, "id");
                    fuzzsupport::check(segment.find('/') == std::string::npos && segment.size() <= Limits::id,
                                       "a bad id passed");
                } catch (const ProblemError& problem) {
                    fuzzsupport::check(problem.status == 400 && problem.field == "id", "an id refusal without its field");
                }
            }
            integerParameter(target, "after", 0, 1000);
            break;
        }
        case 1: {
            auto object = parseObject(text);
            fuzzsupport::check(object.is_object(), "a body that is no object passed");
            // What passed can be written back (the desk echoes members into answers).
            object.dump();
            stringMember(object, "message");
            break;
        }
        default: {
            ChatCommand command = parseChatFrame(text);
            fuzzsupport::check(velmaro::desk::isValidUtf8(command.message), "a frame's text is not UTF-8");
            break;
        }
        }
    } catch (const ProblemError& problem) {
        // Every refusal is a client error with something to say.
        fuzzsupport::check(problem.status >= 400 && problem.status < 500, "a refusal that is no 4xx");
        fuzzsupport::check(!std::string(problem.what()).empty(), "a refusal that names nothing");
        problemJson(problem).dump();
    }
    return 0;
}
