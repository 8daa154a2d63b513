#include "Foundation/AnyJSON.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using json = nlohmann::json;

// The file format keeps every Any kind distinct: JSON's own kinds carry text, integers (no
// fraction), finite doubles (always written with a fraction or exponent), booleans, null, arrays
// and dictionaries; the rest are one-key objects tagged "$date", "$data", "$double" (non-finite)
// and "$text" (text that is not UTF-8). Dictionary keys starting with '$' gain one more '$', and
// keys that are not UTF-8 become "$~" + base64, so no user key is ever read as a tag.

constexpr char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encode(const std::uint8_t* bytes, std::size_t size) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        std::uint32_t chunk = std::uint32_t(bytes[i]) << 16;
        if (i + 1 < size) chunk |= std::uint32_t(bytes[i + 1]) << 8;
        if (i + 2 < size) chunk |= bytes[i + 2];
        out += base64Alphabet[(chunk >> 18) & 63];
        out += base64Alphabet[(chunk >> 12) & 63];
        out += i + 1 < size ? base64Alphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < size ? base64Alphabet[chunk & 63] : '=';
    }
    return out;
}

std::string base64Encode(const std::string& text) {
    return base64Encode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

Data base64Decode(const std::string& text) {
    if (text.size() % 4 != 0) throw AnyJSON::Malformed("bad base64 length");
    Data out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t chunk = 0;
        int padding = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            std::uint32_t sextet = 0;
            if (c == '=' && i + 4 == text.size() && j >= 2) {
                ++padding;
            } else {
                if (padding > 0) throw AnyJSON::Malformed("bad base64 padding");
                const char* found = c == '\0' ? nullptr : std::strchr(base64Alphabet, c);
                if (found == nullptr) throw AnyJSON::Malformed("bad base64 character");
                sextet = static_cast<std::uint32_t>(found - base64Alphabet);
            }
            chunk = (chunk << 6) | sextet;
        }
        out.push_back(static_cast<std::uint8_t>(chunk >> 16));
        if (padding < 2) out.push_back(static_cast<std::uint8_t>(chunk >> 8));
        if (padding < 1) out.push_back(static_cast<std::uint8_t>(chunk));
    }
    return out;
}

bool isValidUTF8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length;
        std::uint32_t point;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, point = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            point = (point << 6) | (s[i + k] & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < minimum[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string encodeKey(const std::string& key) {
    if (!isValidUTF8(key)) return "$~" + base64Encode(key);
    if (!key.empty() && key[0] == '$') return "$" + key;
    return key;
}

std::string decodeKey(const std::string& stored) {
    if (stored.rfind("$~", 0) == 0) {
        const Data bytes = base64Decode(stored.substr(2));
        return std::string(bytes.begin(), bytes.end());
    }
    if (stored.rfind("$", 0) == 0) {
        if (stored.size() < 2 || stored[1] != '$') throw AnyJSON::Malformed("unknown tag used as key: " + stored);
        return stored.substr(1);
    }
    return stored;
}

json encodeDouble(double number) {
    if (std::isnan(number)) return json{{"$double", "nan"}};
    if (std::isinf(number)) return json{{"$double", number > 0 ? "inf" : "-inf"}};
    return json(number);
}

double decodeDouble(const json& value) {
    if (value.is_number_float()) return value.get<double>();
    if (value.is_object() && value.size() == 1 && value.contains("$double") && value["$double"].is_string()) {
        const auto text = value["$double"].get<std::string>();
        if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
        if (text == "inf") return std::numeric_limits<double>::infinity();
        if (text == "-inf") return -std::numeric_limits<double>::infinity();
    }
    throw AnyJSON::Malformed("bad floating-point value");
}

json encode(const Any& value);

json encodeDictionary(const AnyDictionary& dictionary) {
    json object = json::object();
    for (const auto& [key, value] : dictionary) object[encodeKey(key)] = encode(value);
    return object;
}

json encode(const Any& value) {
    struct Visitor {
        json operator()(std::monostate) const { return nullptr; }
        json operator()(const std::string& text) const {
            if (isValidUTF8(text)) return text;
            return json{{"$text", base64Encode(text)}};
        }
        json operator()(std::int64_t number) const { return number; }
        json operator()(double number) const { return encodeDouble(number); }
        json operator()(bool flag) const { return flag; }
        json operator()(const Date& date) const { return json{{"$date", encodeDouble(date.timeIntervalSince1970())}}; }
        json operator()(const Data& data) const { return json{{"$data", base64Encode(data.data(), data.size())}}; }
        json operator()(const AnyArray& array) const {
            json out = json::array();
            for (const auto& element : array) out.push_back(encode(element));
            return out;
        }
        json operator()(const AnyDictionary& dictionary) const { return encodeDictionary(dictionary); }
    };
    return std::visit(Visitor{}, value.storage());
}

Any decode(const json& value, int depth, int maximumDepth);

AnyDictionary decodeDictionary(const json& object, int depth, int maximumDepth) {
    AnyDictionary dictionary;
    for (const auto& [key, element] : object.items()) dictionary[decodeKey(key)] = decode(element, depth + 1, maximumDepth);
    return dictionary;
}

Any decode(const json& value, int depth, int maximumDepth) {
    if (depth > maximumDepth) throw AnyJSON::Malformed("nesting too deep");
    switch (value.type()) {
    case json::value_t::null: return Any();
    case json::value_t::string: return Any(value.get<std::string>());
    case json::value_t::boolean: return Any(value.get<bool>());
    case json::value_t::number_integer: return Any(static_cast<long long>(value.get<std::int64_t>()));
    case json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw AnyJSON::Malformed("integer out of range");
        return Any(static_cast<long long>(number));
    }
    case json::value_t::number_float: return Any(value.get<double>());
    case json::value_t::array: {
        AnyArray array;
        array.reserve(value.size());
        for (const auto& element : value) array.push_back(decode(element, depth + 1, maximumDepth));
        return Any(std::move(array));
    }
    case json::value_t::object: {
        if (value.size() == 1) {
            const auto first = value.begin();
            const std::string& tag = first.key();
            const json& payload = first.value();
            if (tag == "$date") return Any(Date(decodeDouble(payload)));
            if (tag == "$double") return Any(decodeDouble(value));
            if (tag == "$data" && payload.is_string()) return Any(base64Decode(payload.get<std::string>()));
            if (tag == "$text" && payload.is_string()) {
                const Data bytes = base64Decode(payload.get<std::string>());
                return Any(std::string(bytes.begin(), bytes.end()));
            }
        }
        return Any(decodeDictionary(value, depth, maximumDepth));
    }
    default: throw AnyJSON::Malformed("unexpected JSON value");
    }
}

}  // namespace

nlohmann::json AnyJSON::encode(const Any& value) { return ::encode(value); }

nlohmann::json AnyJSON::encodeDictionary(const AnyDictionary& dictionary) { return ::encodeDictionary(dictionary); }

Any AnyJSON::decode(const nlohmann::json& value, int maximumDepth) { return ::decode(value, 0, maximumDepth); }

AnyDictionary AnyJSON::decodeDictionary(const nlohmann::json& object, int maximumDepth) {
    return ::decodeDictionary(object, 0, maximumDepth);
}
