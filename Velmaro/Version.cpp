#include "Velmaro/Version.h"

#ifndef VELMARO_VERSION
#error "VELMARO_VERSION must be the project's version"
#endif

namespace velmaro {

std::string_view version() { return VELMARO_VERSION; }

}  // namespace velmaro
