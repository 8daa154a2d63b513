#include "Velmaro/CoreInterface/Config.h"

#include "Velmaro/CoreInterface/CoreLibrary.h"

std::optional<Config> Config::loadConfig() {
    auto core = installedCoreLibrary();
    if (!core) return std::nullopt;
    return core->loadConfig();
}
