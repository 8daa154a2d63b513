#pragma once

#include <string>

namespace velmaro {

// The standard user defaults keys the layer and a core library share. The host's identity of
// the end user is written at start-up and by the login form; the core keeps its stored user.
namespace StoredKeys {
inline constexpr const char* extUserName = "extuserName";
inline constexpr const char* extFirstName = "extfirstName";
inline constexpr const char* extLastName = "extlastName";
inline constexpr const char* endUserToken = "endUserTokenString";
inline constexpr const char* userName = "userName";
inline constexpr const char* firstName = "firstName";
inline constexpr const char* lastName = "lastName";
inline constexpr const char* tokenSuffix = "v3lm4r0t0k3n";

// Where the core keeps the token of the user with that id.
inline std::string tokenKey(const std::string& userId) { return userId + tokenSuffix; }
}  // namespace StoredKeys

}  // namespace velmaro
