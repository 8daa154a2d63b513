// Formatting and parsing through one shared formatter, as the layer's process-wide formatters are
// used. A regression to building ICU objects per call shows up here as a tenfold slowdown.

#include <benchmark/benchmark.h>

#include <string>

#include "Foundation/DateFormatter.h"
#include "Foundation/RegularExpression.h"
#include "Foundation/TextHelpers.h"

namespace {

DateFormatter& sharedFullDateFormatter() {
    static DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
    return formatter;
}

DateFormatter& sharedChatListFormatter() {
    static DateFormatter formatter("dd. MMM yyyy.");
    static const bool configured = [] {
        formatter.setLocale(Locale("de_DE"));
        formatter.setTimeZone(*TimeZone::named("Europe/Berlin"));
        return true;
    }();
    (void)configured;
    return formatter;
}

void BM_SharedFormatterFormats(benchmark::State& state) {
    DateFormatter& formatter = sharedFullDateFormatter();
    double seconds = 1489480013.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.stringFromDate(Date(seconds)));
        seconds += 61.0;
    }
}
BENCHMARK(BM_SharedFormatterFormats)->ThreadRange(1, 4);

void BM_SharedFormatterParses(benchmark::State& state) {
    DateFormatter& formatter = sharedFullDateFormatter();
    const std::string text = "2017-03-14T09:26:53.000+0100";
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.dateFromString(text));
    }
}
BENCHMARK(BM_SharedFormatterParses)->ThreadRange(1, 4);

void BM_SharedFormatterRejects(benchmark::State& state) {
    DateFormatter& formatter = sharedFullDateFormatter();
    const std::string text = "2017-03-14T09:26:53+0100";
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.dateFromString(text));
    }
}
BENCHMARK(BM_SharedFormatterRejects);

void BM_LocalizedMonthDay(benchmark::State& state) {
    DateFormatter& formatter = sharedChatListFormatter();
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.stringFromDate(Date(1488535200.0)));
    }
}
BENCHMARK(BM_LocalizedMonthDay);

void BM_LocalizedStringFromDate(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(DateFormatter::localizedStringFromDate(
            Date(1488535200.0), DateFormatter::Style::mediumStyle, DateFormatter::Style::shortStyle));
    }
}
BENCHMARK(BM_LocalizedStringFromDate);

// The cost the shared formatter avoids: a new formatter for every call.
void BM_FormatterPerCall(benchmark::State& state) {
    for (auto _ : state) {
        DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
        benchmark::DoNotOptimize(formatter.stringFromDate(Date(1489480013.0)));
    }
}
BENCHMARK(BM_FormatterPerCall);

void BM_EmailPatternMatches(benchmark::State& state) {
    const auto email = std::get<RegularExpression>(
        RegularExpression::compile("[A-Z0-9a-z.-_]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,3}"));
    const std::string text = "jane.doe@example.com";
    const NSRange whole{0, utf16Length(text)};
    for (auto _ : state) {
        benchmark::DoNotOptimize(email.numberOfMatches(text, whole));
    }
}
BENCHMARK(BM_EmailPatternMatches);

void BM_UserPerceivedCharacterCount(benchmark::State& state) {
    const std::string text = "Hallo \U0001F44B\U0001F3FD, wie geht's? cafe\u0301 \U0001F1E9\U0001F1EA";
    for (auto _ : state) {
        benchmark::DoNotOptimize(userPerceivedCharacterCount(text));
    }
}
BENCHMARK(BM_UserPerceivedCharacterCount);

}  // namespace
