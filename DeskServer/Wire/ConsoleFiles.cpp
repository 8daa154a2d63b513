#include "DeskServer/Wire/ConsoleFiles.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "DeskServer/Wire/Protocol.h"

namespace velmaro::deskserver {

const char* const kConsolePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

namespace {

const char* consoleType(std::string_view extension) {
    if (extension == "html") return "text/html; charset=utf-8";
    if (extension == "css") return "text/css; charset=utf-8";
    if (extension == "js") return "text/javascript; charset=utf-8";
    if (extension == "svg") return "image/svg+xml";
    if (extension == "png") return "image/png";
    return nullptr;
}

// `name.ext`: lowercase letters, digits and '-' before one dot. Nothing else names a file here,
// so "..", hidden files and subfolders never do.
const char* servedType(const std::string& name) {
    const auto dot = name.find('.');
    if (dot == 0 || dot == std::string::npos || name.size() > 64) return nullptr;
    for (std::size_t i = 0; i < dot; ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return nullptr;
    }
    return consoleType(std::string_view(name).substr(dot + 1));
}

ProblemError notAConsoleFile() {
    return {404, "no-such-resource", "Not found", "there is no such resource"};
}

// A validator that changes with the content, so an upgraded console is fetched again.
std::string entityTag(const std::string& content) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : content) hash = (hash ^ c) * 1099511628211ull;
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

ConsoleAnswer consoleFile(const std::string& folder, const std::vector<std::string>& segments,
                          std::string_view method, std::string_view ifNoneMatch) {
    if (folder.empty() || segments.size() > 1) throw notAConsoleFile();
    const std::string name = segments.empty() ? "index.html" : segments[0];
    const char* type = servedType(name);
    if (!type) throw notAConsoleFile();
    if (method != "GET" && method != "HEAD")
        throw ProblemError(405, "method-not-allowed", "Method not allowed", "the console answers GET and HEAD only");
    std::ifstream file(folder + "/" + name, std::ios::binary);
    if (!file) throw notAConsoleFile();
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    ConsoleAnswer answer;
    answer.contentType = type;
    const std::string tag = entityTag(content);
    answer.headers = {{"ETag", tag},
                      // Same names across upgrades: ask each time, cheaply, with the tag.
                      {"Cache-Control", "no-cache"},
                      {"Content-Security-Policy", kConsolePolicy},
                      {"X-Content-Type-Options", "nosniff"},
                      {"Referrer-Policy", "no-referrer"},
                      {"X-Frame-Options", "DENY"}};
    if (!ifNoneMatch.empty() && ifNoneMatch == tag) {
        answer.status = 304;
        return answer;
    }
    if (method == "GET") answer.body = std::move(content);
    else answer.headers.emplace_back("Content-Length", std::to_string(content.size()));
    return answer;
}

}  // namespace velmaro::deskserver
