#pragma once

#include <map>
#include <string>

namespace velmaro::testing {

// One HTTP exchange over libcurl, for tests that talk to real servers on loopback.
struct HttpAnswer {
    long status = 0;  // 0: no answer (refused, timed out)
    std::string body;
};
HttpAnswer httpRequest(const std::string& method, const std::string& url, const std::string& body = {},
                       const std::map<std::string, std::string>& headers = {}, long timeoutMs = 30'000);

// A TCP port on 127.0.0.1 that nothing listens on right now, for a server that cannot pick its own.
unsigned short freeLoopbackPort();

}  // namespace velmaro::testing
