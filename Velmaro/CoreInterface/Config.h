#pragma once

#include <optional>
#include <string>

#include "Velmaro/CoreInterface/RGBAColor.h"

namespace velmaro {

// The tenant configuration.
struct Config {
    bool userNameRequired = false;
    std::string tenantId;
    std::string name;
    std::string avatarUrl;
    RGBAColor primaryColor;  // the theme of the support screens

    // The installed core's configuration; nothing without a core or a configuration.
    static std::optional<Config> loadConfig();

    bool operator==(const Config&) const = default;
};

}  // namespace velmaro
