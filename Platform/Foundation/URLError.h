#pragma once

#include <string>

// Why a URL load failed: a code with the platform's values and a sentence for people.
class URLError {
public:
    enum class Code : int {
        unknown = -1,
        cancelled = -999,
        badURL = -1000,
        timedOut = -1001,
        unsupportedURL = -1002,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        httpTooManyRedirects = -1007,
        fileDoesNotExist = -1100,
        noPermissionsToReadFile = -1102,
        dataLengthExceedsMaximum = -1103,
        secureConnectionFailed = -1200,
    };

    URLError(Code code, std::string failingURLString, std::string detail = {});

    Code code() const { return code_; }
    const std::string& localizedDescription() const { return description_; }
    // What the transport said, when it said more than the code does.
    const std::string& failureReason() const { return detail_; }
    const std::string& failingURLString() const { return url_; }

private:
    Code code_;
    std::string url_;
    std::string detail_;
    std::string description_;
};
