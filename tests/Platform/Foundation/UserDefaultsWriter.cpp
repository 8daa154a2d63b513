// A child for the user-defaults crash test: writes the defaults file given as its argument over
// and over, each value one write, and reports every value that has been written on standard
// output, until it is killed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Foundation/UserDefaults.h"

namespace {

// Each value carries text made from its number, so a torn file would show as a mismatch; it is
// large enough for a kill to land inside the write.
AnyDictionary state(std::int64_t counter) {
    std::string filler = std::to_string(counter);
    filler += ';';
    std::string blob;
    while (blob.size() < 64 * 1024) blob += filler;
    return AnyDictionary{{"counter", Any(static_cast<long long>(counter))}, {"blob", Any(blob)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <defaults file>\n", argv[0]);
        return 2;
    }
    UserDefaults defaults{std::filesystem::path(argv[1])};
    std::int64_t counter = 0;
    if (auto stored = defaults.object("state")) {
        if (auto dictionary = stored->dictionary()) {
            if (auto found = dictionary->find("counter"); found != dictionary->end()) {
                counter = found->second.integer().value_or(0);
            }
        }
    }
    for (;;) {
        ++counter;
        defaults.set(Any(state(counter)), "state");
        // set() writes at once; a failed write would show here.
        if (!defaults.synchronize()) return 1;
        const std::string line = std::to_string(counter) + "\n";
        if (::write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 1;
    }
}
