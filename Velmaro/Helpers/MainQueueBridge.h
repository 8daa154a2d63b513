#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "Dispatch/DispatchQueue.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/NotificationCenter.h"
#include "UIKit/UIKeyboard.h"
#include "Velmaro/CoreInterface/ChatEventDelegate.h"

namespace velmaro {

// The one way work reaches a screen from the core's threads: every completion, chat event and
// notification handler of the layer runs on the main queue, in the order it was handed over, so
// that screen state needs no locks.

// A completion for the core: called on any thread, it runs `action(owner, arguments...)` on the
// main queue. `action` is a member of Owner or any callable taking Owner& first. The completion
// holds the owner until it has run, so work handed to the core finishes even when its screen has
// closed meanwhile.

// Holds an owner for work on another thread. A copy let go of off the main thread hands its
// reference to the main queue: when the core drops a completion after its work already ran, the
// screen it held must still be destroyed on the main thread.
template <class Owner>
class MainThreadRelease {
public:
    explicit MainThreadRelease(std::shared_ptr<Owner> owner) : owner_(std::move(owner)) {}
    MainThreadRelease(const MainThreadRelease&) = default;
    MainThreadRelease(MainThreadRelease&&) noexcept = default;
    MainThreadRelease& operator=(const MainThreadRelease&) = delete;
    MainThreadRelease& operator=(MainThreadRelease&&) = delete;
    ~MainThreadRelease() {
        if (owner_ && !RunLoop::isMainThread()) DispatchQueue::main().async([owner = std::move(owner_)] {});
    }

    Owner& operator*() const { return *owner_; }

private:
    std::shared_ptr<Owner> owner_;
};

template <class Owner, class Action>
auto mainQueueCompletion(std::shared_ptr<Owner> owner, Action action) {
    return [owner = MainThreadRelease<Owner>(std::move(owner)), action = std::move(action)](auto&&... arguments) {
        DispatchQueue::main().async(
            [owner, action, ... values = std::decay_t<decltype(arguments)>(std::forward<decltype(arguments)>(arguments))]() mutable {
                std::invoke(action, *owner, std::move(values)...);
            });
    };
}

// A completion that holds its owner weakly, for work that must not keep a screen or a view
// alive: called on any thread, it runs `action(owner, arguments...)` on the main queue if the
// owner still lives then, and does nothing otherwise.
template <class Owner, class Action>
auto weakMainQueueCompletion(std::weak_ptr<Owner> owner, Action action) {
    return [owner = std::move(owner), action = std::move(action)](auto&&... arguments) {
        DispatchQueue::main().async(
            [owner, action, ... values = std::decay_t<decltype(arguments)>(std::forward<decltype(arguments)>(arguments))]() mutable {
                if (auto alive = owner.lock()) std::invoke(action, *alive, std::move(values)...);
            });
    };
}

// Runs `work(arguments...)` on the main queue. The callable itself moves there, so what it holds
// is released on the main thread too.
template <class Work, class... Arguments>
void runOnMainQueue(Work work, Arguments... arguments) {
    DispatchQueue::main().async([work = std::move(work), ... arguments = std::move(arguments)]() mutable {
        std::invoke(work, std::move(arguments)...);
    });
}

// Puts work off, on purpose, to a later turn of the main run loop, from the main thread: it runs
// once the caller (a completion, a transition, a layout pass, an initialiser) has returned. Every
// deliberate deferral of the layer goes through here, so each is easy to find.
template <class Work>
void deferToNextTurn(Work work) {
    DispatchQueue::main().async(std::move(work));
}

// The chat delegate a screen hands to the chat service: forwards each of the five events to the
// target on the main queue, in the order they arrived, and holds nothing. The screen owns it (the
// service holds its delegate weakly), so once the screen is gone the core reaches nobody, and an
// event already queued for a destroyed screen does nothing.
class MainQueueChatEvents final : public ChatEventDelegate {
public:
    explicit MainQueueChatEvents(std::weak_ptr<ChatEventDelegate> target) : target_(std::move(target)) {}

    void connecting() override { forward([](ChatEventDelegate& target) { target.connecting(); }); }
    void connected() override { forward([](ChatEventDelegate& target) { target.connected(); }); }
    void disconnected() override { forward([](ChatEventDelegate& target) { target.disconnected(); }); }
    void chatMessageReceived(const AnyDictionary& message) override {
        forward([message](ChatEventDelegate& target) { target.chatMessageReceived(message); });
    }
    void chatErrorReceived(const std::string& errorDescription) override {
        forward([errorDescription](ChatEventDelegate& target) { target.chatErrorReceived(errorDescription); });
    }

private:
    template <class Event>
    void forward(Event event) {
        DispatchQueue::main().async([target = target_, event = std::move(event)] {
            if (auto alive = target.lock()) event(*alive);
        });
    }

    std::weak_ptr<ChatEventDelegate> target_;
};

// Observes `name` on the center for `observer`, held weakly: a notification posted on any thread
// runs `action(observer, notification)` on the main queue, if the observer still lives then.
// The registration ends with the observer.
template <class Owner, class Action>
void observeOnMainQueue(NotificationCenter& center, const std::shared_ptr<Owner>& observer, std::string name,
                        Action action) {
    center.addObserver(observer, std::move(name), nullptr,
                       [weak = std::weak_ptr<Owner>(observer), action = std::move(action)](const Notification& note) {
                           DispatchQueue::main().async([weak, action, note] {
                               if (auto alive = weak.lock()) std::invoke(action, *alive, note);
                           });
                       });
}

// Observes the keyboard's moves (it will hide, its frame will change) for `observer`, held
// weakly: `action(observer, notification)` runs at once, with no hop, as the toolkit posts these
// on the main thread while the keyboard moves. The registration ends with the observer.
template <class Owner, class Action>
void observeKeyboardMoves(NotificationCenter& center, const std::shared_ptr<Owner>& observer, Action action) {
    for (const auto& name : {UIKeyboardWillHideNotification, UIKeyboardWillChangeFrameNotification}) {
        center.addObserver(observer, name, nullptr, [weak = std::weak_ptr<Owner>(observer), action](const Notification& note) {
            if (auto alive = weak.lock()) std::invoke(action, *alive, note);
        });
    }
}

}  // namespace velmaro
