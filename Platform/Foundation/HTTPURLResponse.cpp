#include "Foundation/HTTPURLResponse.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

std::optional<std::string> HTTPURLResponse::value(const std::string& headerField) const {
    for (auto it = headerFields_.rbegin(); it != headerFields_.rend(); ++it)
        if (sameName(it->first, headerField)) return it->second;
    return std::nullopt;
}

std::optional<long long> HTTPURLResponse::expectedContentLength() const {
    auto text = value("Content-Length");
    if (!text || text->empty()) return std::nullopt;
    long long length = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), length);
    if (error != std::errc() || end != text->data() + text->size() || length < 0) return std::nullopt;
    return length;
}
