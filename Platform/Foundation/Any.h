#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Foundation/Date.h"

class Any;
using AnyArray = std::vector<Any>;
using AnyDictionary = std::map<std::string, Any>;
using Data = std::vector<std::uint8_t>;
// Dictionaries from text to text: user parameters and request parameters.
using StringDictionary = std::map<std::string, std::string>;

// The value of a text-to-any dictionary: null, text, integer, floating point, boolean, date, data,
// array or dictionary. Typed reads answer nothing when the value is of another kind: a value that
// is not text counts as missing text.
class Any {
public:
    using Storage = std::variant<std::monostate, std::string, std::int64_t, double, bool, Date, Data,
                                 AnyArray, AnyDictionary>;

    Any() = default;  // null
    Any(std::nullptr_t) {}
    Any(std::string text) : value_(std::move(text)) {}
    Any(const char* text) : value_(std::string(text)) {}
    Any(std::string_view text) : value_(std::string(text)) {}
    Any(int number) : value_(static_cast<std::int64_t>(number)) {}
    Any(long number) : value_(static_cast<std::int64_t>(number)) {}
    Any(long long number) : value_(static_cast<std::int64_t>(number)) {}
    Any(unsigned number) : value_(static_cast<std::int64_t>(number)) {}
    Any(double number) : value_(number) {}
    Any(bool flag) : value_(flag) {}
    Any(Date date) : value_(date) {}
    Any(Data data) : value_(std::move(data)) {}
    Any(AnyArray array) : value_(std::move(array)) {}
    Any(AnyDictionary dictionary) : value_(std::move(dictionary)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    bool isString() const { return std::holds_alternative<std::string>(value_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(value_); }
    bool isDouble() const { return std::holds_alternative<double>(value_); }
    bool isNumber() const { return isInteger() || isDouble(); }
    bool isBool() const { return std::holds_alternative<bool>(value_); }
    bool isDate() const { return std::holds_alternative<Date>(value_); }
    bool isData() const { return std::holds_alternative<Data>(value_); }
    bool isArray() const { return std::holds_alternative<AnyArray>(value_); }
    bool isDictionary() const { return std::holds_alternative<AnyDictionary>(value_); }

    std::optional<std::string> string() const;
    std::optional<std::int64_t> integer() const;      // integers only
    std::optional<double> number() const;             // integers and floating point
    std::optional<bool> boolean() const;              // booleans only
    std::optional<Date> date() const;
    const Data* data() const { return std::get_if<Data>(&value_); }
    const AnyArray* array() const { return std::get_if<AnyArray>(&value_); }
    const AnyDictionary* dictionary() const { return std::get_if<AnyDictionary>(&value_); }
    AnyArray* array() { return std::get_if<AnyArray>(&value_); }
    AnyDictionary* dictionary() { return std::get_if<AnyDictionary>(&value_); }

    const Storage& storage() const { return value_; }
    // The kind's name ("null", "string", "integer", "double", "bool", "date", "data", "array",
    // "dictionary"), for messages.
    const char* kindName() const;

    bool operator==(const Any& other) const { return value_ == other.value_; }

private:
    Storage value_;
};

// Reads a dictionary entry as text; absent keys and non-text values answer nothing.
std::optional<std::string> stringValue(const AnyDictionary& dictionary, const std::string& key);
// Reads a nested dictionary entry; absent keys and other kinds answer nullptr.
const AnyDictionary* dictionaryValue(const AnyDictionary& dictionary, const std::string& key);
// Reads an array entry; absent keys and other kinds answer nullptr.
const AnyArray* arrayValue(const AnyDictionary& dictionary, const std::string& key);
