// The conversation list as a load reaches it: the completion splits what the core delivered into
// the open and closed halves, the table reloads, and the first screenful of rows gets its cells.
// The core here answers at once on the caller's thread with a list made beforehand, so what is
// measured is the layer's work plus handing the list over (its copy is measured apart). And one
// row cell set up, as the table asks for each row that comes on screen.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "CoreSimulator/SupportDesk.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

// `count` conversations, two open for each closed one, a few with another status; each with an
// agent (no avatar address, so nothing goes to the network) and a short history.
std::vector<ConversationModel> conversationsOf(int count) {
    std::vector<ConversationModel> conversations;
    conversations.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ConversationModel conversation;
        conversation.id = "conversation-" + std::to_string(i);
        conversation.number = i;
        conversation.subject = "Order " + std::to_string(1000 + i);
        conversation.description = "My order " + std::to_string(1000 + i) + " has not arrived yet";
        conversation.dateTime = "2017-03-14T09:26:53.589+0100";
        conversation.status = i % 50 == 49 ? "PENDING" : (i % 3 == 2 ? "CLOSED" : "OPEN");
        conversation.agentName = "Alex";
        conversation.unseenActivityCount = i % 4;
        conversation.activities = {
            {{ContentModel{"Where is my parcel?", "INBOUND", Date(1489480000), "TEXT", ""}}},
            {{ContentModel{"It goes out today.", "OUTBOUND", Date(1489480300), "TEXT", ""}}}};
        conversations.push_back(std::move(conversation));
    }
    return conversations;
}

// A desk whose conversation list answers at once, on the caller's thread.
class InstantDesk : public SupportDesk {
public:
    explicit InstantDesk(std::vector<ConversationModel> conversations)
        : SupportDesk(tenant()), conversations_(std::move(conversations)) {}

    void getAllConversations(std::optional<StringDictionary>,
                             ServiceCompletion<std::vector<ConversationModel>> completion) override {
        completion(conversations_, std::nullopt);
    }

private:
    static Config tenant() {
        Config config;
        config.tenantId = "acme";
        config.name = "Acme";
        config.primaryColor = colorWithHexValue(0xD0021B);
        return config;
    }
    std::vector<ConversationModel> conversations_;
};

struct ListOnGlass {
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<ConversationListViewController> list;
};

ListOnGlass showList(std::vector<ConversationModel> conversations) {
    TimeZone::setCurrent(TimeZone::utc());
    RunLoop::makeMain();
    setUpVelmaroBundle();
    installCoreLibrary(std::make_shared<InstantDesk>(std::move(conversations)));
    ListOnGlass shown;
    shown.window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    shown.list = instantiateVC<ConversationListViewController>(*loadStoryboard(Storyboard::Velmaro));
    shown.window->setRootViewController(UINavigationController::make(shown.list));
    shown.window->makeKeyAndVisible();
    RunLoop::main().runUntilIdle();
    return shown;
}

void BM_ConversationListLoad(benchmark::State& state) {
    auto shown = showList(conversationsOf(static_cast<int>(state.range(0))));
    auto table = shown.list->tableView.get();
    for (auto _ : state) {
        shown.list->getConversations();
        RunLoop::main().runUntilIdle();  // the completion: split, then reload
        table->layoutIfNeeded();         // the first screenful of cells
        benchmark::DoNotOptimize(table->visibleCells().size());
    }
    state.counters["rows shown"] = static_cast<double>(shown.list->conversations.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    installCoreLibrary(nullptr);
}
BENCHMARK(BM_ConversationListLoad)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The share of the load above that is only the copy of the delivered list.
void BM_ConversationListCopyOnly(benchmark::State& state) {
    const auto conversations = conversationsOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto copy = conversations;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_ConversationListCopyOnly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One row cell set up from its conversation: date parsed and formatted, agent line, badge,
// preview. Time per cell = 1 / items_per_second.
void BM_ConversationCellSetup(benchmark::State& state) {
    TimeZone::setCurrent(TimeZone::utc());
    RunLoop::makeMain();
    setUpVelmaroBundle();
    auto cell = std::dynamic_pointer_cast<ConversationListTableViewCell>(
        loadStoryboard(Storyboard::Velmaro)->cellPrototype(ConversationListTableViewCell::defaultReuseIdentifier)());
    const auto conversations = conversationsOf(64);
    std::size_t i = 0;
    for (auto _ : state) {
        cell->setupCell(conversations[i++ % conversations.size()]);
        benchmark::DoNotOptimize(cell->lblAgentNameAndDate->text());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConversationCellSetup)->Unit(benchmark::kMicrosecond);

}  // namespace
