// Addresses from records and the configuration: as URLs, as local paths and as image addresses.

#include <string>
#include <string_view>

#include "Foundation/URL.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "Velmaro/Helpers/ImageLoading.h"

using namespace velmaro;

namespace {

void readComponents(const URL& url) {
    (void)url.host();
    (void)url.path();
    (void)url.isFileURL();
    const auto again = URL::fromString(url.absoluteString());
    fuzzsupport::check(again && *again == url, "a URL does not parse back from its own text");
}

}  // namespace

int fuzzUrlAndImageAddress(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (auto url = URL::fromString(text)) {
        fuzzsupport::check(url->absoluteString() == text, "a URL is not kept as written");
        readComponents(*url);
    }
    const URL file = URL::fileURLWithPath(text);
    fuzzsupport::check(file.isFileURL(), "a path did not make a file URL");
    readComponents(file);
    if (auto image = imageURLFromString(text)) {
        readComponents(*image);
        // An encoded address is not encoded twice.
        fuzzsupport::check(imageURLFromString(image->absoluteString()) == image,
                           "an image address changes when read again");
    }
    return 0;
}
