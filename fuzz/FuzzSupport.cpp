#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "UIKitTesting/UIKitTestingState.h"

namespace fuzzsupport {

namespace {

using json = nlohmann::json;

// Deeper than any record or payload the layer is handed, and shallow enough that recursion over
// the result is no risk on any stack.
constexpr int maximumDepth = 64;

std::optional<Any> convert(const json& value, int depth) {
    if (depth > maximumDepth) return std::nullopt;
    switch (value.type()) {
    case json::value_t::null: return Any();
    case json::value_t::string: return Any(value.get<std::string>());
    case json::value_t::boolean: return Any(value.get<bool>());
    case json::value_t::number_integer: return Any(static_cast<long long>(value.get<std::int64_t>()));
    case json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return Any(static_cast<double>(number));
        return Any(static_cast<long long>(number));
    }
    case json::value_t::number_float: return Any(value.get<double>());
    case json::value_t::array: {
        AnyArray array;
        for (const auto& element : value) {
            auto converted = convert(element, depth + 1);
            if (!converted) return std::nullopt;
            array.push_back(std::move(*converted));
        }
        return Any(std::move(array));
    }
    case json::value_t::object: {
        if (value.size() == 1 && value.contains("$date") && value["$date"].is_number())
            return Any(Date(value["$date"].get<double>()));
        AnyDictionary dictionary;
        for (const auto& [key, element] : value.items()) {
            auto converted = convert(element, depth + 1);
            if (!converted) return std::nullopt;
            dictionary[key] = std::move(*converted);
        }
        return Any(std::move(dictionary));
    }
    default: return std::nullopt;
    }
}

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
    return convert(document, 0);
}

FreshMainLoop::FreshMainLoop() {
    RunLoop::makeMain(std::make_shared<ManualClock>(1000.0));
    loop_ = RunLoop::mainShared();
    UserDefaults::resetStandardForTesting();
    NotificationCenter::resetDefaultForTesting();
    UIKitTestingState::reset();
}

FreshMainLoop::~FreshMainLoop() {
    loop_->runUntilIdle();
    UserDefaults::resetStandardForTesting();
    NotificationCenter::resetDefaultForTesting();
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
