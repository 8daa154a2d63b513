#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Foundation/URL.h"

// The address of a remote image from its text as a record or the configuration gives it: every
// character a URL fragment does not allow is percent-encoded, except that escapes already in the
// text (a percent sign and two hex digits) are kept, so an encoded address is not encoded twice.
// Nothing for an absent or empty text, or one that still makes no URL.
std::optional<URL> imageURLFromString(const std::optional<std::string>& imageString);
