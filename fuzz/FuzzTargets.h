#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One entry per input the outside world controls. Each takes arbitrary bytes, must never crash,
// leak or hang on them, and leaves no state behind for the next call. A broken invariant aborts
// with a message on standard error. All answer 0 (libFuzzer's "keep going").

// JSON bytes decoded to a dictionary (or an array of them) and read by every record initializer.
int fuzzRecordsFromJson(const std::uint8_t* data, std::size_t size);
// JSON bytes as a push payload handed to the facade's push handler over a host window.
int fuzzPushPayload(const std::uint8_t* data, std::size_t size);
// Text parsed (and what parses formatted again) by the layer's date formatters; the first eight
// bytes also as a moment to format.
int fuzzDateParsing(const std::uint8_t* data, std::size_t size);
// Text as a URL, as a file path and as an image address.
int fuzzUrlAndImageAddress(const std::uint8_t* data, std::size_t size);
// Bytes as the file behind persistent user defaults: loaded, read, written back, reloaded.
int fuzzUserDefaultsFile(const std::uint8_t* data, std::size_t size);
// Bytes as an image file.
int fuzzImageDecoding(const std::uint8_t* data, std::size_t size);
// Text through the user access screen's e-mail check.
int fuzzEmailCheck(const std::uint8_t* data, std::size_t size);
// Bytes as what a desk's client sends: a request target, a JSON body or a chat frame.
int fuzzDeskRequest(const std::uint8_t* data, std::size_t size);

// The targets by name; the name is also the folder of its inputs under corpus/ and regressions/.
struct FuzzTarget {
    const char* name;
    int (*run)(const std::uint8_t* data, std::size_t size);
};
const std::vector<FuzzTarget>& fuzzTargets();
