#pragma once

#include <functional>
#include <optional>
#include <string>

namespace velmaro {

// The failure of a core operation. The layer shows only `customDescription`; the kind is for the
// core and for tests.
struct ServiceError {
    enum class Kind {
        noCoreLibrary,  // nothing installed with installCoreLibrary
        invalidRequest, // a required parameter is missing or malformed
        notFound,       // an unknown conversation, user or score
        notAuthorized,  // no (known) end user
        connection,     // transport or server failure
    };

    Kind kind = Kind::connection;
    std::string customDescription;

    static ServiceError noCoreLibrary() {
        return {Kind::noCoreLibrary, "no core library installed"};
    }

    bool operator==(const ServiceError&) const = default;
};

// What every request completion receives: a result, an error, or (rarely) neither.
template <class Result>
using ServiceCompletion = std::function<void(std::optional<Result>, std::optional<ServiceError>)>;

}  // namespace velmaro
