// What an end user types as their e-mail address, through the user access screen's check.

#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"

using namespace velmaro;

int fuzzEmailCheck(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzzsupport::FreshMainLoop loop;  // the screen is a toolkit object: made on the main thread
    const auto screen = std::make_shared<UserAccessViewController>();
    const bool valid = screen->isValidEmailAddressForTesting(text);
    // The check searches, unanchored: an address needs at least "x@y.zz".
    if (valid) fuzzsupport::check(text.find('@') != std::string::npos && text.size() >= 6, "an address without '@' passed");
    return 0;
}
