#include "Velmaro/CoreInterface/UserModel.h"

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

std::optional<UserModel> UserModel::loadUser() {
    auto core = installedCoreLibrary();
    if (!core) return std::nullopt;
    return core->loadUser();
}

void UserModel::authenticateUser(AuthenticationCompletion completion) const {
    auto core = installedCoreLibrary();
    if (!core) {
        if (completion) completion(false, ServiceError::noCoreLibrary());
        return;
    }
    core->authenticateUser(*this, std::move(completion));
}

void UserModel::clearUserDetails() const {
    if (auto core = installedCoreLibrary()) core->clearUserDetails(*this);
}

}  // namespace velmaro
