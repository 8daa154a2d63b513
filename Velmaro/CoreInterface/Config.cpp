#include "Velmaro/CoreInterface/Config.h"

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

std::optional<Config> Config::loadConfig() {
    auto core = installedCoreLibrary();
    if (!core) return std::nullopt;
    return core->loadConfig();
}

}  // namespace velmaro
