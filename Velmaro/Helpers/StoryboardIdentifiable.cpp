#include "Velmaro/Helpers/StoryboardIdentifiable.h"

#include <cstdio>
#include <cstdlib>

namespace velmaro {

void sceneMissing(const std::string& identifier) {
    std::fprintf(stderr, "Fatal error: Couldn\u2019t instantiate view controller with identifier %s\n",
                 identifier.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace velmaro
