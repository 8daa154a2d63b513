#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "Foundation/NotificationCenter.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "support/Platform/MainLoopTest.h"

using namespace velmaro;

namespace {

// Stands for a screen: records what reached it and on which thread.
class Screen : public ChatEventDelegate, public std::enable_shared_from_this<Screen> {
public:
    void loaded(int value, const std::string& text) {
        onMain = onMain && RunLoop::isMainThread();
        received.push_back(text + std::to_string(value));
    }
    void connecting() override { received.push_back("connecting"); }
    void connected() override { received.push_back("connected"); }
    void disconnected() override { received.push_back("disconnected"); }
    void chatMessageReceived(const AnyDictionary& message) override {
        onMain = onMain && RunLoop::isMainThread();
        received.push_back(message.at("text").string().value_or("?"));
    }
    void chatErrorReceived(const std::string& description) override { received.push_back("error " + description); }

    std::vector<std::string> received;
    bool onMain = true;
};

class MainQueueBridgeTest : public MainLoopTest {};

TEST_F(MainQueueBridgeTest, ACompletionRunsOnTheMainQueueAndHoldsItsScreenUntilThen) {
    auto screen = std::make_shared<Screen>();
    std::weak_ptr<Screen> weak = screen;
    std::function<void(int, std::string)> completion = mainQueueCompletion(screen, &Screen::loaded);
    std::thread([completion] { completion(7, "loaded "); }).join();
    screen.reset();
    completion = nullptr;  // the core lets go of it once called

    ASSERT_FALSE(weak.expired());  // the queued work keeps the closed screen
    drain();
    EXPECT_TRUE(weak.expired());  // ran, then let go

    auto kept = std::make_shared<Screen>();
    auto lambda = mainQueueCompletion(kept, [](Screen& self, bool ok) { self.received.push_back(ok ? "yes" : "no"); });
    std::thread([&] { lambda(true); }).join();
    EXPECT_TRUE(kept->received.empty());
    drain();
    EXPECT_EQ(kept->received, std::vector<std::string>{"yes"});
}

TEST_F(MainQueueBridgeTest, AScreenLastHeldByACoreThreadIsStillDestroyedOnTheMainThread) {
    struct Probe {
        explicit Probe(bool& flag) : onMain(flag) {}
        ~Probe() { onMain = RunLoop::isMainThread(); }
        bool& onMain;
    };
    bool destroyedOnMain = false;
    auto probe = std::make_shared<Probe>(destroyedOnMain);
    std::weak_ptr<Probe> weak = probe;
    std::function<void()> completion = mainQueueCompletion(probe, [](Probe&) {});
    probe.reset();

    std::mutex mutex;
    std::condition_variable changed;
    bool called = false, ran = false;
    // The core calls the completion, and keeps it until the work has run on the main queue.
    std::thread core([&, completion = std::move(completion)]() mutable {
        completion();
        std::unique_lock lock(mutex);
        called = true;
        changed.notify_all();
        changed.wait(lock, [&] { return ran; });
        completion = nullptr;
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return called; });
    }
    drain();
    {
        std::lock_guard lock(mutex);
        ran = true;
    }
    changed.notify_all();
    core.join();
    drain();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(destroyedOnMain);
}

TEST_F(MainQueueBridgeTest, ChatEventsForAClosedChatDoNothingAndKeepNothingAlive) {
    auto screen = std::make_shared<Screen>();
    std::weak_ptr<Screen> weak = screen;
    auto events = std::make_shared<MainQueueChatEvents>(screen);
    events->connecting();
    events->chatMessageReceived({{"text", Any(std::string("late"))}});
    screen.reset();
    EXPECT_TRUE(weak.expired());  // queued events hold nothing
    EXPECT_EQ(drain(), 2u);       // and run into nobody
}

TEST_F(MainQueueBridgeTest, ChatEventsFromThreeThreadsArriveInTheOrderTheyWereHandedOver) {
    auto screen = std::make_shared<Screen>();
    auto events = std::make_shared<MainQueueChatEvents>(screen);
    std::mutex handover;
    std::vector<std::string> handedOver;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                std::lock_guard lock(handover);
                std::string text = std::to_string(t) + ":" + std::to_string(i);
                handedOver.push_back(text);
                events->chatMessageReceived({{"text", Any(text)}});
            }
        });
    }
    for (auto& thread : threads) thread.join();
    events->connected();
    events->chatErrorReceived("gone");
    handedOver.push_back("connected");
    handedOver.push_back("error gone");

    EXPECT_TRUE(screen->received.empty());
    drain();
    EXPECT_EQ(screen->received, handedOver);
    EXPECT_TRUE(screen->onMain);
}

TEST_F(MainQueueBridgeTest, NotificationsFromAnyThreadReachALivingObserverOnTheMainQueue) {
    NotificationCenter center;
    auto screen = std::make_shared<Screen>();
    observeOnMainQueue(center, screen, "SavedAuth", [](Screen& self, const Notification& note) {
        self.onMain = self.onMain && RunLoop::isMainThread();
        self.received.push_back(note.name);
    });
    std::thread([&] { center.post("SavedAuth"); }).join();
    center.post("Other");
    EXPECT_TRUE(screen->received.empty());
    drain();
    EXPECT_EQ(screen->received, std::vector<std::string>{"SavedAuth"});
    EXPECT_TRUE(screen->onMain);

    // Posted while alive, run after the observer is gone: nothing, and the registration ends.
    center.post("SavedAuth");
    std::weak_ptr<Screen> weak = screen;
    screen.reset();
    EXPECT_TRUE(weak.expired());
    drain();
    center.post("SavedAuth");
    EXPECT_EQ(drain(), 0u);
}

}  // namespace

namespace {

TEST_F(MainQueueBridgeTest, AWeakCompletionNeitherKeepsItsOwnerNorReachesItOnceGone) {
    auto kept = std::make_shared<Screen>();
    auto gone = std::make_shared<Screen>();
    std::weak_ptr<Screen> goneWeak = gone;
    auto toKept = weakMainQueueCompletion(std::weak_ptr<Screen>(kept), &Screen::loaded);
    auto toGone = weakMainQueueCompletion(std::weak_ptr<Screen>(gone), &Screen::loaded);
    std::thread([&] {
        toKept(1, "image ");
        toGone(2, "image ");
    }).join();
    EXPECT_TRUE(kept->received.empty());  // not before the main queue runs it
    gone.reset();
    EXPECT_TRUE(goneWeak.expired());  // the queued work does not hold it

    drain();
    EXPECT_EQ(kept->received, std::vector<std::string>{"image 1"});
    EXPECT_TRUE(kept->onMain);
}

TEST_F(MainQueueBridgeTest, WorkHandedToTheMainQueueIsReleasedThereToo) {
    struct Probe {
        explicit Probe(bool& flag) : onMain(flag) {}
        ~Probe() { onMain = RunLoop::isMainThread(); }
        bool& onMain;
    };
    bool releasedOnMain = false, ranOnMain = false;
    int received = 0;
    std::thread([&] {
        auto probe = std::make_shared<Probe>(releasedOnMain);
        runOnMainQueue(
            [probe = std::move(probe), &ranOnMain, &received](int value) {
                ranOnMain = RunLoop::isMainThread();
                received = value;
            },
            42);
    }).join();
    EXPECT_EQ(received, 0);
    drain();
    EXPECT_EQ(received, 42);
    EXPECT_TRUE(ranOnMain);
    EXPECT_TRUE(releasedOnMain);
}

}  // namespace
