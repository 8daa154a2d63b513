// A picture of the chat screen: a conversation of 200 messages in the navigation stack, scrolled
// to its end as a chat opens, drawn to pixels and written to a PNG file; compared with a golden
// picture of itself; checked for layout problems.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/LayoutCheck.h"
#include "UIKitTesting/PictureComparison.h"
#include "Velmaro/Velmaro.h"
#include "ChatScreen.h"

using namespace velmaro;

namespace {

// Kept for the process: the benchmarks only draw it.
std::shared_ptr<UIWindow> chatWindow() {
    static std::shared_ptr<UIWindow> window = bench::makeChatScreenWindow(200);
    return window;
}

void BM_ChatPictureToPixels(benchmark::State& state) {
    auto window = chatWindow();
    const double scale = static_cast<double>(state.range(0));
    for (auto _ : state) {
        auto picture = PictureRenderer::render(window, scale);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
}
BENCHMARK(BM_ChatPictureToPixels)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ChatPictureToPngFile(benchmark::State& state) {
    auto window = chatWindow();
    const double scale = static_cast<double>(state.range(0));
    std::string name = "velmaro-picture-bench-";
    name += std::to_string(::getpid());
    name += ".png";
    const auto file = std::filesystem::temp_directory_path() / name;
    for (auto _ : state) PictureRenderer::writePng(window, file, scale);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove(file);
}
BENCHMARK(BM_ChatPictureToPngFile)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One golden comparison as the tests make it: a 1x window against a golden that differs in a
// little text's worth of pixels (the common case: most pixels equal, a few not).
void BM_GoldenComparison(benchmark::State& state) {
    const Picture actual = PictureRenderer::render(chatWindow(), 1);
    Picture golden = actual;
    for (int y = 300; y < 310; ++y)
        for (int x = 100; x < 140; ++x) golden.pixels[static_cast<std::size_t>(y * golden.width + x)] ^= 0x00404040u;
    for (auto _ : state) {
        auto difference = PictureComparison::compare(golden, actual);
        benchmark::DoNotOptimize(difference.differing);
    }
}
BENCHMARK(BM_GoldenComparison)->Unit(benchmark::kMillisecond);

void BM_LayoutCheckOnChat(benchmark::State& state) {
    auto window = chatWindow();
    for (auto _ : state) {
        auto problems = LayoutCheck::problems(window);
        benchmark::DoNotOptimize(problems.data());
    }
}
BENCHMARK(BM_LayoutCheckOnChat)->Unit(benchmark::kMicrosecond);

}  // namespace
