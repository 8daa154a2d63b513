#include "DeskServer/Wire/TenantFile.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "DeskServer/Wire/Protocol.h"

namespace velmaro::deskserver {

namespace {
// The layer's green, dark enough that white text on it reads (5.2 : 1): the light green itself
// gives 1.7 : 1 under the white titles of the support screens' buttons.
constexpr const char* kStandardColour = "#1F7A62";
}  // namespace

TenantFile TenantFile::standard() {
    TenantFile file;
    file.tenant = {"default", "Velmaro", "", kStandardColour, false};
    return file;
}

TenantFile TenantFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the tenant file " + path);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    try {
        auto object = parseObject(text);
        TenantFile file;
        file.tenant.id = validId(requiredString(object, "tenantId"), "tenantId");
        file.tenant.name = requiredString(object, "name");
        file.tenant.avatarUrl = stringMember(object, "avatarUrl").value_or("");
        file.tenant.primaryColor = stringMember(object, "primaryColor").value_or(kStandardColour);
        const auto& colour = file.tenant.primaryColor;
        if (colour.size() != 7 || colour[0] != '#' ||
            colour.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
            throw ProblemError(400, "invalid-request", "Invalid", "primaryColor must be #RRGGBB", "primaryColor");
        if (auto it = object.find("userNameRequired"); it != object.end()) {
            if (!it->is_boolean())
                throw ProblemError(400, "invalid-request", "Invalid", "userNameRequired must be true or false",
                                   "userNameRequired");
            file.tenant.userNameRequired = it->get<bool>();
        }
        if (auto it = object.find("agents"); it != object.end()) {
            if (!it->is_array())
                throw ProblemError(400, "invalid-request", "Invalid", "agents must be a list", "agents");
            for (const auto& entry : *it) {
                if (!entry.is_object())
                    throw ProblemError(400, "invalid-request", "Invalid", "each agent must be an object", "agents");
                file.agents.push_back({requiredString(entry, "email"), stringMember(entry, "name").value_or(""),
                                       requiredString(entry, "password"),
                                       stringMember(entry, "avatarUrl").value_or("")});
            }
        }
        return file;
    } catch (const ProblemError& problem) {
        throw std::runtime_error("the tenant file " + path + " is not usable: " + problem.what());
    }
}

}  // namespace velmaro::deskserver
