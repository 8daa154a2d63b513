#pragma once

#include <optional>

#include "Foundation/Any.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/CoreInterface/UserModel.h"

namespace velmaro {

// End users, through the installed core library. Without one, every completion receives
// ServiceError::noCoreLibrary() at once on the calling thread.
class CoreService {
public:
    static CoreService& shared();

    // Registers or finds the end user ("userName", "firstName", "lastName", "endUserToken");
    // the user that comes back becomes the stored user.
    void createEndUser(std::optional<StringDictionary> userParameters,
                       ServiceCompletion<UserModel> completion);
    // Changes the stored user's "firstName" and "lastName".
    void updateUser(StringDictionary userParameters, ServiceCompletion<UserModel> completion);

private:
    CoreService() = default;
};

}  // namespace velmaro
