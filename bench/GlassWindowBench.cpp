// The desktop window over the toolkit: from a changed view tree to the frame on the window (the
// chat screen at 2x), and what an idle window costs in CPU. Without a display the frame is drawn
// on SDL's offscreen driver and the idle measure is skipped.

#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitWindow/GlassWindow.h"
#include "Velmaro/Velmaro.h"
#include "ChatScreen.h"

namespace {

bool hasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

// The chat screen of 60 messages on a window of its own (the benchmark adds a label to it).
std::shared_ptr<UIWindow> chatForTheGlassWindow() {
    static std::shared_ptr<UIWindow> window = bench::makeChatScreenWindow(60);
    return window;
}

std::optional<GlassWindow> openGlass(benchmark::State& state, double scale) {
    if (!hasDisplay()) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    try {
        return std::optional<GlassWindow>(std::in_place, chatForTheGlassWindow(), GlassWindow::Options{"bench", scale});
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return std::nullopt;
    }
}

std::shared_ptr<velmaro::ChatViewController> chatScreen() {
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(chatForTheGlassWindow()->rootViewController());
    return std::dynamic_pointer_cast<velmaro::ChatViewController>(navigation->topViewController());
}

// Each iteration changes the tree with `change` and the window draws the next frame.
template <class Change>
void measureFrames(benchmark::State& state, Change change) {
    auto glass = openGlass(state, 2);
    if (!glass) return;
    glass->present(true);
    int frame = 0;
    for (auto _ : state) {
        change(++frame);
        if (!glass->present()) state.SkipWithError("no frame drawn after a change");
    }
    state.SetLabel(hasDisplay() ? "display" : "offscreen");
}

// One label's text changes.
void BM_GlassWindowFrameAfterAChange(benchmark::State& state) {
    auto label = UIView::make<UILabel>(CGRect{20, 100, 200, 20});
    chatForTheGlassWindow()->addSubview(label);
    measureFrames(state, [&](int frame) { label->setText("frame " + std::to_string(frame)); });
    label->removeFromSuperview();
}
BENCHMARK(BM_GlassWindowFrameAfterAChange)->Unit(benchmark::kMillisecond);

// A letter typed into the chat's message field, the keyboard up.
void BM_GlassWindowFrameAfterTyping(benchmark::State& state) {
    auto field = chatScreen()->fldMessage.get();
    field->becomeFirstResponder();
    RunLoop::main().runUntilIdle();
    measureFrames(state, [&](int frame) {
        if (frame % 20 == 0) {
            field->setText("");
        } else {
            field->insertText("a");
        }
    });
    field->resignFirstResponder();
    field->setText("");
    RunLoop::main().runUntilIdle();
}
BENCHMARK(BM_GlassWindowFrameAfterTyping)->Unit(benchmark::kMillisecond);

// The conversation scrolled by a few points, up and down.
void BM_GlassWindowFrameAfterAScroll(benchmark::State& state) {
    auto table = chatScreen()->tableView.get();
    const CGPoint start = table->contentOffset();
    measureFrames(state, [&](int frame) { table->setContentOffset({start.x, start.y - 12.0 * (frame % 2)}); });
    table->setContentOffset(start);
}
BENCHMARK(BM_GlassWindowFrameAfterAScroll)->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The window shown and nothing happening for 5 s: the CPU it took, in milliseconds.
void BM_GlassWindowIdleFiveSeconds(benchmark::State& state) {
    if (!hasDisplay()) {
        state.SkipWithError("no display: the idle window is measured on a real one");
        return;
    }
    auto glass = openGlass(state, 1);
    if (!glass) return;
    glass->runUntil([&] { return glass->isUpToDate(); }, 5);
    double cpu = 0;
    std::uint64_t frames = glass->framesPresented();
    for (auto _ : state) {
        double before = processCpuSeconds();
        glass->runUntil([] { return false; }, 5);
        cpu += processCpuSeconds() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["frames"] = double(glass->framesPresented() - frames);
}
BENCHMARK(BM_GlassWindowIdleFiveSeconds)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
