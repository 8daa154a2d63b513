#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Foundation/Any.h"
#include "Foundation/URL.h"

// The metadata of a loaded URL: status code and header fields as the server sent them (for a
// file URL: status 200 and a Content-Length). Header names compare without regard to case.
class HTTPURLResponse {
public:
    using HeaderFields = std::vector<std::pair<std::string, std::string>>;

    HTTPURLResponse(URL url, int statusCode, HeaderFields headerFields)
        : url_(std::move(url)), statusCode_(statusCode), headerFields_(std::move(headerFields)) {}

    const URL& url() const { return url_; }
    int statusCode() const { return statusCode_; }
    const HeaderFields& headerFields() const { return headerFields_; }
    // The last value sent under that name, whatever its case.
    std::optional<std::string> value(const std::string& headerField) const;
    // Content-Length when the server gave a valid one.
    std::optional<long long> expectedContentLength() const;

private:
    URL url_;
    int statusCode_;
    HeaderFields headerFields_;
};
