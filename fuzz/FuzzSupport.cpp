#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/AnyJSON.h"
#include "UIKitTesting/UIKitTestingState.h"

namespace fuzzsupport {

namespace {

using json = nlohmann::json;

// Deeper than any record or payload the layer is handed, and shallow enough that recursion over
// the result is no risk on any stack.
constexpr int maximumDepth = 64;

// Swallows everything written to it.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int character) override { return traits_type::not_eof(character); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

void check(bool condition, std::string_view message) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %.*s\n", static_cast<int>(message.size()), message.data());
    std::abort();
}

std::optional<Any> anyFromJson(const std::uint8_t* data, std::size_t size) {
    const json document = json::parse(data, data + size, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) return std::nullopt;
    try {
        return AnyJSON::decode(document, maximumDepth);
    } catch (const AnyJSON::Malformed&) {
        return std::nullopt;
    }
}

FreshMainLoop::FreshMainLoop() {
    RunLoop::makeMain(std::make_shared<ManualClock>(1000.0));
    loop_ = RunLoop::mainShared();
    UIKitTestingState::reset();
}

FreshMainLoop::~FreshMainLoop() {
    loop_->runUntilIdle();
    UIKitTestingState::reset();
}

void FreshMainLoop::settle(double seconds) {
    loop_->runUntilIdle();
    loop_->runFor(seconds);
}

QuietStandardError::QuietStandardError() {
    static NullBuffer nowhere;
    saved_ = std::cerr.rdbuf(&nowhere);
}

QuietStandardError::~QuietStandardError() { std::cerr.rdbuf(saved_); }

}  // namespace fuzzsupport
