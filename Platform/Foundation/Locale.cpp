#include "Foundation/Locale.h"

#include <cstdlib>
#include <mutex>
#include <optional>

namespace {

std::mutex& currentMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<Locale>& currentStorage() {
    static std::optional<Locale> current;
    return current;
}

}  // namespace

Locale Locale::current() {
    std::lock_guard lock(currentMutex());
    auto& current = currentStorage();
    if (!current) {
        current = fromEnvironment();
    }
    return *current;
}

void Locale::setCurrent(const Locale& locale) {
    std::lock_guard lock(currentMutex());
    currentStorage() = locale;
}

Locale Locale::fromEnvironment() {
    for (const char* variable : {"LC_ALL", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return Locale(identifierFromPosixName(value));
        }
    }
    return Locale("en_US_POSIX");
}

std::string Locale::identifierFromPosixName(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") {
        return "en_US_POSIX";
    }
    return std::string(name);
}
