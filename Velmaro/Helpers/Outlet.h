#pragma once

#include <cassert>
#include <memory>

namespace velmaro {

// A view element a screen uses but does not own (the view hierarchy does): a weak reference that
// reads like a pointer. Dereferencing an outlet whose view is gone is a programming error.
template <class T>
class Outlet {
public:
    Outlet() = default;
    Outlet(const std::shared_ptr<T>& view) : view_(view) {}

    std::shared_ptr<T> get() const { return view_.lock(); }
    explicit operator bool() const { return !view_.expired(); }
    // The temporary keeps the view alive for the whole expression.
    std::shared_ptr<T> operator->() const {
        auto view = view_.lock();
        assert(view && "outlet not connected");
        return view;
    }

private:
    std::weak_ptr<T> view_;
};

}  // namespace velmaro
