#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "Foundation/Notification.h"

// Delivers posted notifications to observers synchronously, on the posting thread, in
// registration order. Registering, removing and posting are safe from any thread and from inside
// a handler. A registration ends when its token is destroyed, when its weakly held observer dies,
// or when removeObserver() names its observer; after removal returns, the handler is not called
// again (removal from another thread waits for a call of that handler that is already running).
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    struct State;

    // Owns one registration: destroying it (or cancel()) removes the registration. Move-only.
    class ObserverToken {
    public:
        ObserverToken() = default;
        ObserverToken(ObserverToken&& other) noexcept;
        ObserverToken& operator=(ObserverToken&& other) noexcept;
        ObserverToken(const ObserverToken&) = delete;
        ObserverToken& operator=(const ObserverToken&) = delete;
        ~ObserverToken();

        void cancel();
        // True until cancelled or moved from (the center may have dropped it through a reset).
        bool isRegistered() const { return id_ != 0; }

    private:
        friend class NotificationCenter;
        ObserverToken(std::weak_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
        std::weak_ptr<State> state_;
        std::uint64_t id_ = 0;
    };

    // The process-wide center.
    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every name; a null sender observes every sender.
    [[nodiscard]] ObserverToken addObserver(std::string name, const void* sender, Handler handler);

    // Registers for an observer held weakly: once it is destroyed the handler is never called
    // again. While the handler runs the observer is kept alive.
    template <class T>
    void addObserver(const std::shared_ptr<T>& observer, std::string name, const void* sender,
                     Handler handler) {
        addWeakObserver(std::weak_ptr<const void>(observer), identityOf(observer.get()), std::move(name),
                        sender, std::move(handler));
    }
    // Removes every registration of this observer, for all names and senders.
    template <class T>
    void removeObserver(const T* observer) {
        removeObserverIdentity(identityOf(observer));
    }
    // Removes the observer's registrations for one name (empty: any) and sender (null: any).
    template <class T>
    void removeObserver(const T* observer, const std::string& name, const void* sender = nullptr) {
        removeObserverIdentity(identityOf(observer), &name, sender);
    }

    void post(const Notification& notification);
    void post(std::string name, const void* sender = nullptr, AnyDictionary userInfo = {});

    void removeAllObservers();

private:
    friend class NotificationCenterTestApi;
    // Registrations still alive (tokens not destroyed, observers not removed).
    std::size_t liveObserverCount() const;

    // The same object seen through different base classes must count as one observer.
    template <class T>
    static const void* identityOf(const T* object) {
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<const void*>(object);
        else
            return static_cast<const void*>(object);
    }
    void addWeakObserver(std::weak_ptr<const void> observer, const void* identity, std::string name,
                         const void* sender, Handler handler);
    void removeObserverIdentity(const void* identity, const std::string* name = nullptr,
                                const void* sender = nullptr);

    std::shared_ptr<State> state_;
};
