#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "Foundation/Any.h"

// Any to and from JSON, keeping every Any kind distinct: JSON's own kinds carry text, integers
// (no fraction), finite doubles (always written with a fraction or exponent), booleans, null,
// arrays and dictionaries; the rest are one-key objects tagged "$date", "$data", "$double"
// (non-finite) and "$text" (text that is not UTF-8). Dictionary keys starting with '$' gain one
// more '$', and keys that are not UTF-8 become "$~" + base64, so no user key is ever read as a
// tag. The stored form of user defaults, and how any JSON text becomes an Any.
class AnyJSON {
public:
    // JSON that encode() never writes: an integer beyond 64 bits, an unknown tag used as a key,
    // bad base64, nesting deeper than the limit.
    struct Malformed : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    static nlohmann::json encode(const Any& value);
    static nlohmann::json encodeDictionary(const AnyDictionary& dictionary);
    // Throw Malformed.
    static Any decode(const nlohmann::json& value, int maximumDepth = 512);
    static AnyDictionary decodeDictionary(const nlohmann::json& object, int maximumDepth = 512);
};
