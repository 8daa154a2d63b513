#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmaro::deskserver {

// The agents' console: a few plain files (HTML, CSS, JavaScript) from one folder, served under
// /console. Only names of the form `name.ext` directly in the folder are served, so no request
// reaches outside it.
struct ConsoleAnswer {
    int status = 200;
    std::string contentType;
    std::string body;  // empty for HEAD and 304
    std::vector<std::pair<std::string, std::string>> headers;
};

// The policy under which the console runs: its own files only, no inline script or style, and
// connections back to the desk alone.
extern const char* const kConsolePolicy;

// `segments` are the path's segments after "console" (none: the page itself). Refusals are
// ProblemErrors (404 for what is not a console file, 405 for a method other than GET or HEAD).
ConsoleAnswer consoleFile(const std::string& folder, const std::vector<std::string>& segments,
                          std::string_view method, std::string_view ifNoneMatch);

}  // namespace velmaro::deskserver
