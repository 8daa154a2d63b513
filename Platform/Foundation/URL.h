#pragma once

#include <optional>
#include <string>
#include <string_view>

// An address: an absolute URL or a relative reference in the RFC 3986 syntax, kept exactly as
// written. Components read back as written, except `path()` and `host()`, which are decoded.
class URL {
public:
    // Nothing for the empty text and for text that is not a URL: characters that must be
    // escaped (blanks, non-ASCII, quotes, ...), a malformed escape, a malformed scheme,
    // unbalanced brackets, a bad host or port.
    static std::optional<URL> fromString(std::string_view string);
    // A "file" URL for a local path; a relative path is taken from the current directory.
    static URL fileURLWithPath(std::string_view path);

    const std::string& absoluteString() const { return string_; }
    const std::optional<std::string>& scheme() const { return scheme_; }
    // Without the brackets of an IPv6 literal; nothing when there is no authority or it is empty.
    std::optional<std::string> host() const;
    std::optional<int> port() const { return port_; }
    // The percent-decoded path; empty when there is none.
    std::string path() const;
    const std::optional<std::string>& query() const { return query_; }
    const std::optional<std::string>& fragment() const { return fragment_; }
    bool isFileURL() const;

    bool operator==(const URL& other) const { return string_ == other.string_; }

private:
    URL() = default;

    std::string string_;
    std::optional<std::string> scheme_;
    std::optional<std::string> host_;  // as written, brackets included
    std::optional<int> port_;
    std::string path_;  // as written
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};
