#pragma once

#include <string>
#include <vector>

#include "Desk/Records.h"

namespace velmaro::deskserver {

// The tenant a desk serves, and the agents it starts with, from a JSON file:
// {"tenantId", "name", "avatarUrl", "primaryColor": "#RRGGBB", "userNameRequired",
//  "agents": [{"email", "name", "password", "avatarUrl"}]}.
struct TenantFile {
    struct AgentEntry {
        std::string email, name, password, avatarUrl;
    };
    desk::Tenant tenant;
    std::vector<AgentEntry> agents;

    // Throws std::runtime_error naming the file and the fault.
    static TenantFile load(const std::string& path);
    // The tenant of a desk started without a file: "default", no agents.
    static TenantFile standard();
};

}  // namespace velmaro::deskserver
