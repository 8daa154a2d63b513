#pragma once

#include <optional>
#include <string>

namespace velmaro::desk {

// Tokens, their hashes and agent passwords.
namespace secrets {

// 256 random bits from the system's generator, as 43 characters of base64url.
std::string randomToken();
// A short random identifier with a prefix ("user-3f9c…"), 96 random bits.
std::string randomId(const std::string& prefix);
// SHA-256 of the text, as 64 lowercase hex digits. Enough for tokens: they are random.
std::string tokenHash(const std::string& token);
// Equal texts of equal length, in a time that does not depend on where they differ.
bool constantTimeEquals(const std::string& a, const std::string& b);

// How hard the password hash works; `minimum` exists for tests.
enum class PasswordCost { interactive, minimum };
// Argon2id with a random salt, in its self-describing text form.
std::string hashPassword(const std::string& password, PasswordCost cost);
bool verifyPassword(const std::string& password, const std::string& hash);

// Authenticated encryption under a key derived from `secret` (any length), as base64url text.
// For what the desk must keep but not keep readable: whoever reads the database without the
// secret reads nothing.
std::string seal(const std::string& plain, const std::string& secret);
// The plain text, or nothing when the secret is another or the text was altered.
std::optional<std::string> unseal(const std::string& sealed, const std::string& secret);

}  // namespace secrets

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points
// above U+10FFFF).
bool isValidUtf8(const std::string& text);

}  // namespace velmaro::desk
