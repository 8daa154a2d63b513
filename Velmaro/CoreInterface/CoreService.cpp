#include "Velmaro/CoreInterface/CoreService.h"

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

CoreService& CoreService::shared() {
    static CoreService service;
    return service;
}

void CoreService::createEndUser(std::optional<StringDictionary> userParameters,
                                ServiceCompletion<UserModel> completion) {
    if (auto core = installedCoreLibrary())
        core->createEndUser(std::move(userParameters), std::move(completion));
    else if (completion)
        completion(std::nullopt, ServiceError::noCoreLibrary());
}

void CoreService::updateUser(StringDictionary userParameters,
                             ServiceCompletion<UserModel> completion) {
    if (auto core = installedCoreLibrary())
        core->updateUser(std::move(userParameters), std::move(completion));
    else if (completion)
        completion(std::nullopt, ServiceError::noCoreLibrary());
}

}  // namespace velmaro
