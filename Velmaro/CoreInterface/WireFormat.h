#pragma once

#include "Foundation/DateFormatter.h"

namespace velmaro {

// How record dates travel as text between the core and the layer.
namespace WireFormat {
inline constexpr const char* datePattern = "yyyy-MM-dd'T'HH:mm:ss.SSSZ";

// Reads and writes record dates: the wire pattern in the POSIX locale and the Gregorian calendar,
// so that a device set to another calendar or to native digits reads the same instant. Made once,
// safe from any thread.
const DateFormatter& dateFormatter();
}  // namespace WireFormat

}  // namespace velmaro
