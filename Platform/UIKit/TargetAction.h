#pragma once

#include <functional>
#include <memory>
#include <type_traits>

// A target-action pair as controls, bar button items and gesture recognizers keep them: the
// target is held weakly (a dead target is never called) and the action is one of its member
// functions taking nothing or the sender (any shared_ptr the sender converts to), or a closure.
template <class Sender>
class TargetAction {
public:
    using Handler = std::function<void(const std::shared_ptr<Sender>&)>;

    // A closure with no target; it owns what it captures.
    static TargetAction closure(Handler handler) {
        TargetAction pair;
        pair.handler_ = std::move(handler);
        return pair;
    }

    template <class T, class Method>
    static TargetAction bind(const std::shared_ptr<T>& target, Method method) {
        TargetAction pair;
        pair.target_ = target.get();
        pair.weakTarget_ = target;
        pair.hasTarget_ = true;
        std::weak_ptr<T> weak = target;
        pair.handler_ = [weak, method](const std::shared_ptr<Sender>& sender) {
            auto strong = weak.lock();
            if (!strong) return;
            invoke(strong.get(), method, sender);
        };
        return pair;
    }

    // The identity of the target (null for closures), for removal.
    const void* target() const { return target_; }
    bool isCallable() const { return handler_ && (!hasTarget_ || !weakTarget_.expired()); }
    void operator()(const std::shared_ptr<Sender>& sender) const {
        if (isCallable()) handler_(sender);
    }

private:
    template <class T, class R, class C>
    static void invoke(T* target, R (C::*method)(), const std::shared_ptr<Sender>&) {
        (target->*method)();
    }
    template <class T, class R, class C>
    static void invoke(T* target, R (C::*method)() const, const std::shared_ptr<Sender>&) {
        (target->*method)();
    }
    template <class T, class R, class C, class Arg>
    static void invoke(T* target, R (C::*method)(Arg) const, const std::shared_ptr<Sender>& sender) {
        using Pointer = std::remove_cvref_t<Arg>;
        using Element = typename Pointer::element_type;
        (target->*method)(std::dynamic_pointer_cast<Element>(sender));
    }
    template <class T, class R, class C, class Arg>
    static void invoke(T* target, R (C::*method)(Arg), const std::shared_ptr<Sender>& sender) {
        using Pointer = std::remove_cvref_t<Arg>;
        using Element = typename Pointer::element_type;
        if constexpr (std::is_base_of_v<Element, Sender>) {
            (target->*method)(sender);
        } else {
            (target->*method)(std::dynamic_pointer_cast<Element>(sender));
        }
    }

    const void* target_ = nullptr;
    std::weak_ptr<void> weakTarget_;
    bool hasTarget_ = false;
    Handler handler_;
};
