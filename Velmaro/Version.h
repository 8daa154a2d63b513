#pragma once

#include <string_view>

namespace velmaro {

// The version of the layer this program runs with ("major.minor.patch"); a package of the same
// major version is compatible.
std::string_view version();

}  // namespace velmaro
