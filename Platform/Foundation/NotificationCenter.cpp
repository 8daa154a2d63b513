#include "Foundation/NotificationCenter.h"

#include <algorithm>
#include <condition_variable>
#include <thread>
#include <utility>

namespace {

struct Registration {
    std::uint64_t id = 0;
    std::string name;
    const void* sender = nullptr;
    NotificationCenter::Handler handler;
    bool weaklyHeld = false;
    std::weak_ptr<const void> observer;
    const void* identity = nullptr;

    // Gate between delivery and removal: once deactivate() returns, no call runs on another
    // thread and none starts again. A handler removing itself does not wait for itself.
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool active = true;
    std::vector<std::thread::id> runningOn;

    bool enter() {
        std::lock_guard lock(gateMutex);
        if (!active) return false;
        runningOn.push_back(std::this_thread::get_id());
        return true;
    }
    void leave() {
        std::lock_guard lock(gateMutex);
        auto it = std::find(runningOn.begin(), runningOn.end(), std::this_thread::get_id());
        if (it != runningOn.end()) runningOn.erase(it);
        gateChanged.notify_all();
    }
    void deactivate() {
        std::unique_lock lock(gateMutex);
        active = false;
        const auto me = std::this_thread::get_id();
        gateChanged.wait(lock, [&] {
            return std::all_of(runningOn.begin(), runningOn.end(), [&](auto thread) { return thread == me; });
        });
    }
    bool matches(const Notification& notification) const {
        return (name.empty() || name == notification.name) && (sender == nullptr || sender == notification.object);
    }
};

}  // namespace

struct NotificationCenter::State {
    mutable std::mutex mutex;
    std::vector<std::shared_ptr<Registration>> registrations;  // registration order
    std::uint64_t nextId = 1;

    // Takes the registrations the predicate selects out of the list; the caller deactivates them
    // outside the lock, since that may wait for a running handler that itself registers or posts.
    template <class Predicate>
    std::vector<std::shared_ptr<Registration>> extract(Predicate predicate) {
        std::lock_guard lock(mutex);
        std::vector<std::shared_ptr<Registration>> taken;
        auto kept = std::stable_partition(registrations.begin(), registrations.end(),
                                          [&](const auto& registration) { return !predicate(*registration); });
        taken.assign(std::make_move_iterator(kept), std::make_move_iterator(registrations.end()));
        registrations.erase(kept, registrations.end());
        return taken;
    }
    template <class Predicate>
    void remove(Predicate predicate) {
        for (auto& registration : extract(predicate)) registration->deactivate();
    }
};

NotificationCenter::ObserverToken::ObserverToken(ObserverToken&& other) noexcept
    : state_(std::move(other.state_)), id_(std::exchange(other.id_, 0)) {}

NotificationCenter::ObserverToken& NotificationCenter::ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        cancel();
        state_ = std::move(other.state_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

NotificationCenter::ObserverToken::~ObserverToken() { cancel(); }

void NotificationCenter::ObserverToken::cancel() {
    const auto id = std::exchange(id_, 0);
    if (id == 0) return;
    if (auto state = state_.lock()) state->remove([id](const Registration& registration) { return registration.id == id; });
    state_.reset();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() : state_(std::make_shared<State>()) {}

NotificationCenter::~NotificationCenter() { removeAllObservers(); }

NotificationCenter::ObserverToken NotificationCenter::addObserver(std::string name, const void* sender,
                                                                  Handler handler) {
    auto registration = std::make_shared<Registration>();
    registration->name = std::move(name);
    registration->sender = sender;
    registration->handler = std::move(handler);
    std::lock_guard lock(state_->mutex);
    registration->id = state_->nextId++;
    state_->registrations.push_back(registration);
    return ObserverToken(state_, registration->id);
}

void NotificationCenter::addWeakObserver(std::weak_ptr<const void> observer, const void* identity, std::string name,
                                         const void* sender, Handler handler) {
    auto registration = std::make_shared<Registration>();
    registration->name = std::move(name);
    registration->sender = sender;
    registration->handler = std::move(handler);
    registration->weaklyHeld = true;
    registration->observer = std::move(observer);
    registration->identity = identity;
    std::lock_guard lock(state_->mutex);
    registration->id = state_->nextId++;
    state_->registrations.push_back(std::move(registration));
}

void NotificationCenter::removeObserverIdentity(const void* identity, const std::string* name, const void* sender) {
    if (identity == nullptr) return;
    state_->remove([&](const Registration& registration) {
        return registration.weaklyHeld && registration.identity == identity &&
               (name == nullptr || name->empty() || registration.name == *name) &&
               (sender == nullptr || registration.sender == sender);
    });
}

void NotificationCenter::post(std::string name, const void* sender, AnyDictionary userInfo) {
    post(Notification(std::move(name), sender, std::move(userInfo)));
}

void NotificationCenter::post(const Notification& notification) {
    // Handlers run outside the center's lock so they may register, remove and post themselves.
    std::vector<std::shared_ptr<Registration>> targets;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& registration : state_->registrations)
            if (registration->matches(notification)) targets.push_back(registration);
    }
    bool sawDeadObserver = false;
    for (const auto& registration : targets) {
        std::shared_ptr<const void> keepAlive;
        if (registration->weaklyHeld) {
            keepAlive = registration->observer.lock();
            if (!keepAlive) {
                sawDeadObserver = true;
                continue;
            }
        }
        if (!registration->enter()) continue;
        struct Leave {
            Registration& registration;
            ~Leave() { registration.leave(); }
        } leave{*registration};
        registration->handler(notification);
    }
    if (sawDeadObserver)
        state_->remove([](const Registration& registration) {
            return registration.weaklyHeld && registration.observer.expired();
        });
}

std::size_t NotificationCenter::liveObserverCount() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<std::size_t>(std::count_if(
        state_->registrations.begin(), state_->registrations.end(), [](const auto& registration) {
            return !registration->weaklyHeld || !registration->observer.expired();
        }));
}

void NotificationCenter::removeAllObservers() {
    state_->remove([](const Registration&) { return true; });
}
