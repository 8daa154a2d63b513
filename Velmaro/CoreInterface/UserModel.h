#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Velmaro/CoreInterface/ServiceError.h"

namespace velmaro {

// The end user known to the core library.
struct UserModel {
    using AuthenticationCompletion = std::function<void(bool success, std::optional<ServiceError>)>;

    std::string id;
    std::string firstName;
    std::string lastName;
    std::string avatarUrl;
    std::string userName;

    // The user the installed core has stored; nothing without a core or a user.
    static std::optional<UserModel> loadUser();
    // Authenticates this user with the core, which then stores the token and posts "SavedAuth".
    // The completion is optional; without a core it receives false and the no-core error.
    void authenticateUser(AuthenticationCompletion completion = nullptr) const;
    // Has the core forget this user (logout).
    void clearUserDetails() const;

    bool operator==(const UserModel&) const = default;
};

}  // namespace velmaro
