#include "Desk/Secrets.h"

#include <sodium.h>

#include <stdexcept>

#include "Desk/Records.h"

namespace velmaro::desk {

namespace {

void initialiseSodium() {
    static const bool ready = [] { return sodium_init() >= 0; }();
    if (!ready) throw DeskError(DeskError::Code::unavailable, "the cryptography library failed to start");
}

void sealingKey(unsigned char (&key)[crypto_secretbox_KEYBYTES], const std::string& secret) {
    static const char kContext[] = "velmaro-desk sealing key";
    crypto_generichash(key, sizeof key, reinterpret_cast<const unsigned char*>(secret.data()), secret.size(),
                       reinterpret_cast<const unsigned char*>(kContext), sizeof kContext - 1);
}

}  // namespace

std::string secrets::seal(const std::string& plain, const std::string& secret) {
    initialiseSodium();
    unsigned char key[crypto_secretbox_KEYBYTES];
    sealingKey(key, secret);
    std::string box(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + plain.size(), '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(box.data());
    randombytes_buf(bytes, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(bytes + crypto_secretbox_NONCEBYTES, reinterpret_cast<const unsigned char*>(plain.data()),
                          plain.size(), bytes, key);
    sodium_memzero(key, sizeof key);
    std::string text(sodium_base64_ENCODED_LEN(box.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes, box.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    text.resize(text.size() - 1);  // the terminating zero
    return text;
}

std::optional<std::string> secrets::unseal(const std::string& sealed, const std::string& secret) {
    initialiseSodium();
    std::string box(sealed.size(), '\0');
    std::size_t length = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(box.data()), box.size(), sealed.data(), sealed.size(),
                          nullptr, &length, nullptr, sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0 ||
        length < crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(box.data());
    unsigned char key[crypto_secretbox_KEYBYTES];
    sealingKey(key, secret);
    std::string plain(length - crypto_secretbox_NONCEBYTES - crypto_secretbox_MACBYTES, '\0');
    const bool opened = crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(plain.data()),
                                                   bytes + crypto_secretbox_NONCEBYTES,
                                                   length - crypto_secretbox_NONCEBYTES, bytes, key) == 0;
    sodium_memzero(key, sizeof key);
    if (!opened) return std::nullopt;
    return plain;
}

std::string secrets::randomToken() {
    initialiseSodium();
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char text[sodium_base64_ENCODED_LEN(32, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return text;
}

std::string secrets::randomId(const std::string& prefix) {
    initialiseSodium();
    unsigned char bytes[12];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return prefix + hex;
}

std::string secrets::tokenHash(const std::string& token) {
    initialiseSodium();
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(token.data()), token.size());
    char hex[sizeof digest * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

bool secrets::constantTimeEquals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    return sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string secrets::hashPassword(const std::string& password, PasswordCost cost) {
    initialiseSodium();
    char hash[crypto_pwhash_STRBYTES];
    const bool minimum = cost == PasswordCost::minimum;
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(),
                              minimum ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              minimum ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw DeskError(DeskError::Code::unavailable, "not enough memory to hash a password");
    return hash;
}

bool secrets::verifyPassword(const std::string& password, const std::string& hash) {
    initialiseSodium();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool isValidUtf8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;   // overlong
            if (c == 0xED) high = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;   // overlong
            if (c == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (i + length > n) return false;
        if (s[i + 1] < low || s[i + 1] > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace velmaro::desk
