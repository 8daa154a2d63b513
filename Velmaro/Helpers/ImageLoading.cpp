#include "Velmaro/Helpers/ImageLoading.h"

#include <cctype>

#include "Foundation/TextHelpers.h"

namespace {

bool startsEscape(std::string_view text, std::size_t at) {
    return at + 2 < text.size() && text[at] == '%' && std::isxdigit(static_cast<unsigned char>(text[at + 1])) &&
           std::isxdigit(static_cast<unsigned char>(text[at + 2]));
}

}  // namespace

std::optional<URL> imageURLFromString(const std::optional<std::string>& imageString) {
    if (!imageString || imageString->empty()) return std::nullopt;
    const std::string_view text = *imageString;
    std::string encoded;
    encoded.reserve(text.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (startsEscape(text, i)) {
            encoded += addingPercentEncodingForURLFragment(text.substr(runStart, i - runStart));
            encoded += text.substr(i, 3);
            i += 3;
            runStart = i;
        } else {
            ++i;
        }
    }
    encoded += addingPercentEncodingForURLFragment(text.substr(runStart));
    return URL::fromString(encoded);
}
