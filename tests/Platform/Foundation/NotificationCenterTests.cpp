#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/NotificationCenter.h"
#include "UIKitTesting/NotificationCenterTestApi.h"

namespace {

class NotificationCenterTest : public ::testing::Test {
protected:
    NotificationCenter center;
};

TEST_F(NotificationCenterTest, HandlersRunInRegistrationOrderForMatchingNameAndSender) {
    int senderA = 0, senderB = 0;
    std::string log;
    auto anyName = center.addObserver("", nullptr, [&](const Notification& n) { log += "*" + n.name + " "; });
    auto fromAnyone = center.addObserver("Saved", nullptr, [&](const Notification&) { log += "any "; });
    auto fromA = center.addObserver("Saved", &senderA, [&](const Notification&) { log += "A "; });
    auto other = center.addObserver("Other", nullptr, [&](const Notification&) { log += "other "; });

    center.post("Saved", &senderA);
    EXPECT_EQ(log, "*Saved any A ");
    log.clear();
    center.post("Saved", &senderB);
    EXPECT_EQ(log, "*Saved any ");
    log.clear();
    center.post("Saved");
    EXPECT_EQ(log, "*Saved any ");  // an observer of one sender ignores anonymous posts
}

TEST_F(NotificationCenterTest, NotificationCarriesSenderAndUserInfo) {
    int sender = 0;
    Notification received;
    auto token = center.addObserver("Msg", nullptr, [&](const Notification& n) { received = n; });
    center.post("Msg", &sender, AnyDictionary{{"conversationId", "c1"}, {"count", 2}});
    EXPECT_EQ(received.name, "Msg");
    EXPECT_EQ(received.object, &sender);
    EXPECT_EQ(stringValue(received.userInfo, "conversationId"), "c1");
    EXPECT_EQ(received.userInfo.at("count"), Any(2));
}

TEST_F(NotificationCenterTest, DestroyedOrCancelledTokenEndsRegistrationMovedTokenKeepsIt) {
    int calls = 0;
    {
        auto token = center.addObserver("N", nullptr, [&](const Notification&) { ++calls; });
        center.post("N");
    }
    center.post("N");
    EXPECT_EQ(calls, 1);

    auto token = center.addObserver("N", nullptr, [&](const Notification&) { ++calls; });
    NotificationCenter::ObserverToken moved = std::move(token);
    center.post("N");
    EXPECT_EQ(calls, 2);
    moved.cancel();
    EXPECT_FALSE(moved.isRegistered());
    center.post("N");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(NotificationCenterTestApi::observerCount(center), 0u);
}

TEST_F(NotificationCenterTest, ObserverRemovedDuringDeliveryIsNotCalledAfterwards) {
    std::string log;
    NotificationCenter::ObserverToken second;
    auto first = center.addObserver("N", nullptr, [&](const Notification&) {
        log += "1";
        second.cancel();
    });
    second = center.addObserver("N", nullptr, [&](const Notification&) { log += "2"; });
    auto third = center.addObserver("N", nullptr, [&](const Notification&) { log += "3"; });
    center.post("N");
    EXPECT_EQ(log, "13");
}

TEST_F(NotificationCenterTest, HandlerMayRemoveItselfRegisterAndPostReentrantly) {
    std::string log;
    NotificationCenter::ObserverToken self;
    NotificationCenter::ObserverToken added;
    self = center.addObserver("N", nullptr, [&](const Notification&) {
        log += "self ";
        self.cancel();
        // Registered during delivery: not part of this delivery, called for the next one.
        added = center.addObserver("N", nullptr, [&](const Notification&) { log += "added "; });
        center.post("Inner");
    });
    auto inner = center.addObserver("Inner", nullptr, [&](const Notification&) { log += "inner "; });
    center.post("N");
    EXPECT_EQ(log, "self inner ");
    center.post("N");
    EXPECT_EQ(log, "self inner added ");
}

struct Screen {
    virtual ~Screen() = default;
    int calls = 0;
};
struct Mixin {
    virtual ~Mixin() = default;
    int padding = 0;
};
struct ListScreen : Mixin, Screen {};

TEST_F(NotificationCenterTest, WeakObserverIsNeverCalledOnceDestroyedAndIsRemovedForAllNames) {
    auto screen = std::make_shared<ListScreen>();
    int* calls = &screen->calls;
    Screen* asScreen = screen.get();  // another base address than the one registered
    center.addObserver(screen, "A", nullptr, [screen = std::weak_ptr(screen)](const Notification&) {
        screen.lock()->calls++;
    });
    center.addObserver(screen, "B", nullptr, [calls](const Notification&) { ++*calls; });
    center.post("A");
    center.post("B");
    EXPECT_EQ(screen->calls, 2);

    center.removeObserver(asScreen);
    center.post("A");
    center.post("B");
    EXPECT_EQ(screen->calls, 2);
    EXPECT_EQ(NotificationCenterTestApi::observerCount(center), 0u);

    // A destroyed observer is never called, even though its registration was never removed; the
    // handler here would touch freed memory if it ran.
    center.addObserver(screen, "A", nullptr, [calls](const Notification&) { ++*calls; });
    screen.reset();
    center.post("A");
    EXPECT_EQ(NotificationCenterTestApi::observerCount(center), 0u);
}

TEST_F(NotificationCenterTest, RemoveObserverForOneNameKeepsTheOthers) {
    auto observer = std::make_shared<int>(0);
    std::string log;
    center.addObserver(observer, "A", nullptr, [&](const Notification&) { log += "A"; });
    center.addObserver(observer, "B", nullptr, [&](const Notification&) { log += "B"; });
    center.removeObserver(observer.get(), "A");
    center.post("A");
    center.post("B");
    EXPECT_EQ(log, "B");
}

TEST_F(NotificationCenterTest, PostingAndRegisteringFromManyThreadsDeliversEveryNotification) {
    std::atomic<int> delivered{0};
    auto token = center.addObserver("Tick", nullptr, [&](const Notification&) { delivered++; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                auto transient = center.addObserver("Tick", nullptr, [](const Notification&) {});
                center.post("Tick");
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(delivered.load(), 800);
    EXPECT_EQ(NotificationCenterTestApi::observerCount(center), 1u);
}

TEST_F(NotificationCenterTest, RemovalFromAnotherThreadWaitsForTheRunningHandler) {
    std::atomic<bool> inHandler{false}, release{false}, handlerDone{false}, removing{false};
    auto token = center.addObserver("Slow", nullptr, [&](const Notification&) {
        inHandler = true;
        while (!release) std::this_thread::yield();
        handlerDone = true;
    });
    std::thread poster([&] { center.post("Slow"); });
    while (!inHandler) std::this_thread::yield();
    std::thread remover([&] {
        removing = true;
        token.cancel();
        // Whatever the handler captured may be freed now: it must have finished.
        EXPECT_TRUE(handlerDone.load());
    });
    while (!removing) std::this_thread::yield();
    for (int i = 0; i < 1000; ++i) std::this_thread::yield();  // let the remover reach cancel()
    release = true;
    remover.join();
    poster.join();
}

TEST(NotificationCenterDefault, ResetForTestingDropsEveryRegistration) {
    int calls = 0;
    auto token = NotificationCenter::defaultCenter().addObserver("N", nullptr, [&](const Notification&) { ++calls; });
    NotificationCenterTestApi::resetDefault();
    NotificationCenter::defaultCenter().post("N");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(NotificationCenterTestApi::observerCount(NotificationCenter::defaultCenter()), 0u);
}

}  // namespace
