#include "Foundation/Any.h"

std::optional<std::string> Any::string() const {
    if (auto* text = std::get_if<std::string>(&value_)) return *text;
    return std::nullopt;
}

std::optional<std::int64_t> Any::integer() const {
    if (auto* number = std::get_if<std::int64_t>(&value_)) return *number;
    return std::nullopt;
}

std::optional<double> Any::number() const {
    if (auto* number = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*number);
    if (auto* number = std::get_if<double>(&value_)) return *number;
    return std::nullopt;
}

std::optional<bool> Any::boolean() const {
    if (auto* flag = std::get_if<bool>(&value_)) return *flag;
    return std::nullopt;
}

std::optional<Date> Any::date() const {
    if (auto* date = std::get_if<Date>(&value_)) return *date;
    return std::nullopt;
}

const char* Any::kindName() const {
    static constexpr const char* names[] = {"null", "string", "integer", "double",    "bool",
                                            "date", "data",   "array",   "dictionary"};
    return names[value_.index()];
}

std::optional<std::string> stringValue(const AnyDictionary& dictionary, const std::string& key) {
    auto it = dictionary.find(key);
    return it == dictionary.end() ? std::nullopt : it->second.string();
}

const AnyDictionary* dictionaryValue(const AnyDictionary& dictionary, const std::string& key) {
    auto it = dictionary.find(key);
    return it == dictionary.end() ? nullptr : it->second.dictionary();
}

const AnyArray* arrayValue(const AnyDictionary& dictionary, const std::string& key) {
    auto it = dictionary.find(key);
    return it == dictionary.end() ? nullptr : it->second.array();
}
