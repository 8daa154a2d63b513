#pragma once

#include <cassert>
#include <memory>

#include "Velmaro/Helpers/SceneKey.h"

namespace velmaro {

// An element of a scene (a view, a constraint) that a screen uses but does not own (the view
// hierarchy does): a weak reference that reads like a pointer. Dereferencing an outlet whose
// element is gone is a programming error. Anyone may read an outlet; only the scene that builds
// the view can connect it (the key says so), and an outlet is not assignable.
template <class T>
class Outlet {
public:
    Outlet() = default;
    Outlet(const Outlet&) = default;
    Outlet& operator=(const Outlet&) = delete;

    void connect(SceneKey, const std::shared_ptr<T>& view) { view_ = view; }

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
