// The chat's timeline, built as a conversation load builds it: flatten the activities, order the
// messages by time, put a title before each day. Compared with a plain sort of the same
// timestamps, the floor any build must pay. And one cell set up per row kind, as the table asks.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

// `count` items over about a week, in activities of one to three items, not in time order.
ConversationModel conversationOf(int count) {
    ConversationModel conversation;
    conversation.id = "c-1";
    const double start = 1489500000;  // March 2017
    for (int i = 0; i < count;) {
        ActivityModel activity;
        for (int k = 0; k < 1 + i % 3 && i < count; ++k, ++i) {
            const double when = start + static_cast<double>((i * 7919L) % count) * (7 * 86400.0 / count);
            activity.contents.push_back(ContentModel{"message " + std::to_string(i), i % 2 ? "OUTBOUND" : "INBOUND",
                                                     Date(when), "TEXT", ""});
        }
        conversation.activities.push_back(std::move(activity));
    }
    return conversation;
}

void setLocale() {
    Locale::setCurrent(Locale("en_US"));
    TimeZone::setCurrent(*TimeZone::named("Europe/Berlin"));
}

void BM_TimelineBuild(benchmark::State& state) {
    setLocale();
    const auto conversation = conversationOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto screen = std::make_shared<ChatViewController>();
        std::vector<MessageModel> messages;
        ChatViewController::extractMessages(messages, conversation);
        ChatViewController::sortMessages(messages);
        screen->extractSectionDates(messages);
        benchmark::DoNotOptimize(screen->contentArray.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TimelineBuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Ordering alone: the build's sort against a plain sort of the bare timestamps.
void BM_TimelineSortOnly(benchmark::State& state) {
    setLocale();
    std::vector<MessageModel> flattened;
    ChatViewController::extractMessages(flattened, conversationOf(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        auto messages = flattened;
        state.ResumeTiming();
        ChatViewController::sortMessages(messages);
        benchmark::DoNotOptimize(messages.data());
    }
}
BENCHMARK(BM_TimelineSortOnly)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PlainSortOfTimestamps(benchmark::State& state) {
    std::vector<MessageModel> flattened;
    ChatViewController::extractMessages(flattened, conversationOf(static_cast<int>(state.range(0))));
    std::vector<Date> times;
    for (const auto& message : flattened) times.push_back(message.createdDateTime);
    for (auto _ : state) {
        auto copy = times;
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_PlainSortOfTimestamps)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Cells for rows of one kind, as a reload asks for them: each visible row dequeues a pooled cell,
// sets it up and measures it. Kinds: 0 day title, 1 customer, 2 agent, 3 announcer,
// 4 conversation event. Time per cell = 1 / items_per_second.
void BM_ChatCellsForRows(benchmark::State& state) {
    setLocale();
    RunLoop::makeMain();
    setUpVelmaroBundle();
    auto window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    window->setRootViewController(chat);
    window->makeKeyAndVisible();
    const char* kinds[] = {"SECTION_TITLE", "CUSTOMER", "AGENT", "ANNOUNCER", "CONVERSATION_STARTED"};
    const int rows = 8;
    for (int i = 0; i < rows; ++i)
        chat->contentArray.push_back(*MessageModel::fromJson(
            {{"senderType", Any(kinds[state.range(0)])}, {"message", Any("How can I help you today?")}}));
    auto table = chat->tableView.get();
    table->reloadData();
    table->layoutIfNeeded();
    for (auto _ : state) {
        table->reloadData();  // the cells go back to the pool
        table->layoutIfNeeded();
        benchmark::DoNotOptimize(table->visibleCells().size());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ChatCellsForRows)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
