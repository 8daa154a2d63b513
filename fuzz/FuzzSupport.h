#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <streambuf>
#include <string_view>

#include "Foundation/Any.h"

class RunLoop;

// What the fuzz entry functions share.
namespace fuzzsupport {

// Aborts with the message when an invariant does not hold, so the fuzzer keeps the input.
void check(bool condition, std::string_view message);

// The bytes as JSON, as the layer receives it, read as user defaults read their file (AnyJSON):
// objects become dictionaries, arrays arrays, a one-key object {"$date": seconds} a date. Nothing
// for bytes that are not JSON, an integer beyond 64 bits, or nesting deeper than the layer could
// be handed.
std::optional<Any> anyFromJson(const std::uint8_t* data, std::size_t size);

// A fresh main run loop on this thread driven by a manual clock, with the process-wide defaults,
// notification center and toolkit state reset; on destruction the queue is drained and the
// state reset again, so nothing reaches the next input.
class FreshMainLoop {
public:
    FreshMainLoop();
    ~FreshMainLoop();
    FreshMainLoop(const FreshMainLoop&) = delete;
    FreshMainLoop& operator=(const FreshMainLoop&) = delete;

    // Runs what is due now, then moves the clock on by `seconds`, running what falls due.
    void settle(double seconds);

private:
    std::shared_ptr<RunLoop> loop_;
};

// Silences standard error for its lifetime: code reporting bad input there would otherwise
// flood the fuzzer's output.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    std::streambuf* saved_;
};

}  // namespace fuzzsupport
