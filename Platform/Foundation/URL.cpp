#include "Foundation/URL.h"

#include <arpa/inet.h>

#include <cctype>
#include <filesystem>
#include <string_view>

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isUnreserved(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelimiter(char c) {
    return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}
bool isPathCharacter(char c) { return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@'; }

// True when every character belongs to the set (or is a well-formed escape, where allowed).
template <typename Predicate>
bool consistsOf(std::string_view text, Predicate allowed, bool escapesAllowed = true) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (!escapesAllowed || i + 2 >= text.size() || !isHexDigit(text[i + 1]) ||
                !isHexDigit(text[i + 2])) {
                return false;
            }
            i += 2;
        } else if (!allowed(text[i])) {
            return false;
        }
    }
    return true;
}

bool isValidScheme(std::string_view scheme) {
    if (scheme.empty() || !isAlpha(scheme.front())) {
        return false;
    }
    return consistsOf(
        scheme, [](char c) { return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.'; },
        false);
}

bool isValidIPLiteral(std::string_view literal) {  // between the brackets
    if (!literal.empty() && (literal.front() == 'v' || literal.front() == 'V')) {
        const auto dot = literal.find('.');
        if (dot == std::string_view::npos || dot == 1 || dot + 1 == literal.size()) {
            return false;
        }
        return consistsOf(literal.substr(1, dot - 1), isHexDigit, false) &&
               consistsOf(
                   literal.substr(dot + 1),
                   [](char c) { return isUnreserved(c) || isSubDelimiter(c) || c == ':'; }, false);
    }
    unsigned char address[16];
    return inet_pton(AF_INET6, std::string(literal).c_str(), address) == 1;
}

std::string percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHexDigit(text[i + 1]) &&
            isHexDigit(text[i + 2])) {
            decoded += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace

std::optional<URL> URL::fromString(std::string_view string) {
    if (string.empty()) {
        return std::nullopt;
    }
    URL url;
    url.string_ = std::string(string);
    std::string_view rest = string;

    if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
        const auto fragment = rest.substr(hash + 1);
        if (!consistsOf(fragment, [](char c) { return isPathCharacter(c) || c == '/' || c == '?'; })) {
            return std::nullopt;
        }
        url.fragment_ = std::string(fragment);
        rest = rest.substr(0, hash);
    }

    // A colon before any slash or question mark ends a scheme; a relative reference cannot have
    // one in its first segment, so a malformed scheme makes the whole text invalid.
    if (const auto stop = rest.find_first_of(":/?");
        stop != std::string_view::npos && rest[stop] == ':') {
        if (!isValidScheme(rest.substr(0, stop))) {
            return std::nullopt;
        }
        url.scheme_ = std::string(rest.substr(0, stop));
        rest = rest.substr(stop + 1);
    }

    if (const auto question = rest.find('?'); question != std::string_view::npos) {
        const auto query = rest.substr(question + 1);
        if (!consistsOf(query, [](char c) { return isPathCharacter(c) || c == '/' || c == '?'; })) {
            return std::nullopt;
        }
        url.query_ = std::string(query);
        rest = rest.substr(0, question);
    }

    if (rest.starts_with("//")) {
        rest = rest.substr(2);
        const auto slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);

        if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
            const auto userInfo = authority.substr(0, at);
            if (!consistsOf(userInfo, [](char c) {
                    return isUnreserved(c) || isSubDelimiter(c) || c == ':';
                })) {
                return std::nullopt;
            }
            authority = authority.substr(at + 1);
        }
        std::string_view host = authority;
        std::string_view port;
        if (authority.starts_with('[')) {
            const auto close = authority.find(']');
            if (close == std::string_view::npos || !isValidIPLiteral(authority.substr(1, close - 1))) {
                return std::nullopt;
            }
            host = authority.substr(0, close + 1);
            const auto after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after.front() != ':') {
                    return std::nullopt;
                }
                port = after.substr(1);
            }
        } else {
            if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
                host = authority.substr(0, colon);
                port = authority.substr(colon + 1);
            }
            if (!consistsOf(host, [](char c) { return isUnreserved(c) || isSubDelimiter(c); })) {
                return std::nullopt;
            }
        }
        if (!consistsOf(port, isDigit, false)) {
            return std::nullopt;
        }
        if (!port.empty()) {
            const auto digits = port.find_first_not_of('0');
            if (digits != std::string_view::npos &&
                (port.size() - digits > 5 || std::stoi(std::string(port.substr(digits))) > 65535)) {
                return std::nullopt;
            }
            url.port_ = digits == std::string_view::npos ? 0 : std::stoi(std::string(port.substr(digits)));
        }
        url.host_ = std::string(host);
    }

    if (!consistsOf(rest, [](char c) { return isPathCharacter(c) || c == '/'; })) {
        return std::nullopt;
    }
    url.path_ = std::string(rest);
    return url;
}

URL URL::fileURLWithPath(std::string_view path) {
    std::string absolute(path);
    if (absolute.empty() || absolute.front() != '/') {
        std::string base = std::filesystem::current_path().string();
        if (base.empty() || base.back() != '/') {
            base += '/';
        }
        absolute = base + absolute;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string string = "file://";
    for (char c : absolute) {
        if (isPathCharacter(c) || c == '/') {
            string += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            string += '%';
            string += kHex[byte >> 4];
            string += kHex[byte & 0x0F];
        }
    }
    // Every byte outside the path set was escaped above, so this always parses.
    return *fromString(string);
}

std::optional<std::string> URL::host() const {
    if (!host_ || host_->empty()) {
        return std::nullopt;
    }
    if (host_->front() == '[') {
        return host_->substr(1, host_->size() - 2);
    }
    return percentDecoded(*host_);
}

std::string URL::path() const { return percentDecoded(path_); }

bool URL::isFileURL() const {
    if (!scheme_ || scheme_->size() != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>((*scheme_)[i])) != "file"[i]) {
            return false;
        }
    }
    return true;
}
