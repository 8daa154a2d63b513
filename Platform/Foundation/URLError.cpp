#include "Foundation/URLError.h"

namespace {

const char* describe(URLError::Code code) {
    switch (code) {
    case URLError::Code::cancelled: return "cancelled";
    case URLError::Code::badURL: return "bad URL";
    case URLError::Code::timedOut: return "The request timed out.";
    case URLError::Code::unsupportedURL: return "unsupported URL";
    case URLError::Code::cannotFindHost: return "A server with the specified hostname could not be found.";
    case URLError::Code::cannotConnectToHost: return "Could not connect to the server.";
    case URLError::Code::networkConnectionLost: return "The network connection was lost.";
    case URLError::Code::httpTooManyRedirects: return "too many HTTP redirects";
    case URLError::Code::fileDoesNotExist: return "The file doesn't exist.";
    case URLError::Code::noPermissionsToReadFile: return "The file couldn't be opened because you don't have permission to view it.";
    case URLError::Code::dataLengthExceedsMaximum: return "The resource exceeds the maximum size.";
    case URLError::Code::secureConnectionFailed:
        return "A TLS error occurred and a secure connection to the server cannot be made.";
    case URLError::Code::unknown: break;
    }
    return "An unknown error occurred.";
}

}  // namespace

URLError::URLError(Code code, std::string failingURLString, std::string detail)
    : code_(code), url_(std::move(failingURLString)), detail_(std::move(detail)), description_(describe(code)) {}
