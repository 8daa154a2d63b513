// The layer's shared date formatters against a formatter made for every use, and an image load
// served from the image cache (lookup, then the main-queue hop that sets the view's image).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "UIKit/UIImageView.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Helpers/ImageLoading.h"

using namespace velmaro;

namespace {

void BM_SharedTimeFormatter(benchmark::State& state) {
    double seconds = 1489480013.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(timeFormatter().stringFromDate(Date(seconds)));
        seconds += 61.0;
    }
}
BENCHMARK(BM_SharedTimeFormatter)->ThreadRange(1, 2);

void BM_TimeFormatterPerUse(benchmark::State& state) {
    double seconds = 1489480013.0;
    for (auto _ : state) {
        DateFormatter formatter("HH:mm");
        benchmark::DoNotOptimize(formatter.stringFromDate(Date(seconds)));
        seconds += 61.0;
    }
}
BENCHMARK(BM_TimeFormatterPerUse);

void BM_SharedChatListFormat(benchmark::State& state) {
    double seconds = 1489480013.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(chatListFormat().stringFromDate(Date(seconds)));
        seconds += 86400.0;
    }
}
BENCHMARK(BM_SharedChatListFormat);

void BM_ChatListFormatPerUse(benchmark::State& state) {
    double seconds = 1489480013.0;
    for (auto _ : state) {
        DateFormatter formatter("dd. MMM yyyy.");
        formatter.setLocale(Locale::current());
        benchmark::DoNotOptimize(formatter.stringFromDate(Date(seconds)));
        seconds += 86400.0;
    }
}
BENCHMARK(BM_ChatListFormatPerUse);

void BM_SharedFullDateFormatterParses(benchmark::State& state) {
    const std::string text = "2017-03-14T09:26:53.000+0100";
    for (auto _ : state) benchmark::DoNotOptimize(fullDateFormatter().dateFromString(text));
}
BENCHMARK(BM_SharedFullDateFormatterParses);

void BM_FullDateFormatterPerUseParses(benchmark::State& state) {
    const std::string text = "2017-03-14T09:26:53.000+0100";
    for (auto _ : state) {
        DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
        benchmark::DoNotOptimize(formatter.dateFromString(text));
    }
}
BENCHMARK(BM_FullDateFormatterPerUseParses);

// No server: the image is in the cache, as it is for every row after the first that shows it.
void BM_CachedImageLoad(benchmark::State& state) {
    auto& loop = RunLoop::makeMain(std::make_shared<ManualClock>());
    const std::string address = "https://cdn.example.com/avatars/agent 7.png";
    const auto url = imageURLFromString(address);
    ImageCache::shared().setObject(UIImage::filled(CGSize{48, 48}, UIColor::white()), url->absoluteString(),
                                   48 * 48 * 4);
    auto view = UIView::make<UIImageView>();
    for (auto _ : state) {
        view->setImage(nullptr);
        loadImage(*view, address);
        loop.runUntilIdle();
        if (!view->image()) state.SkipWithError("the cached image was not set");
    }
    ImageCache::shared().removeAllObjects();
}
BENCHMARK(BM_CachedImageLoad);

}  // namespace
