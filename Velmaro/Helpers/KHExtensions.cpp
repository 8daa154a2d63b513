#include "Velmaro/Helpers/KHExtensions.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>

#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"

namespace velmaro {

namespace {

// Scroll containers the platform's toolkit puts between a table (or a page view) and its
// content; an input inside them belongs to the outer container.
bool isPrivateContainer(const UIView& view) {
    static const std::array<const char*, 3> names{"UITableViewCellScrollView", "UITableViewWrapperView",
                                                  "_UIQueuingScrollView"};
    const std::string name = view.className();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::shared_ptr<UIView> superviewOfClassType(const UIView& view, ViewClass viewClass) {
    for (auto ancestor = view.superview(); ancestor; ancestor = ancestor->superview()) {
        if (viewClass.matches(*ancestor) && !isPrivateContainer(*ancestor)) return ancestor;
    }
    return nullptr;
}

bool isResponderCandidate(const UIView& view) {
    if (!view.canBecomeFirstResponder() || !view.isUserInteractionEnabled() || view.isHidden() || view.alpha() == 0)
        return false;
    if (auto field = dynamic_cast<const UITextField*>(&view)) return field->isEnabled();
    if (auto textView = dynamic_cast<const UITextView*>(&view)) return textView->isEditable();
    return true;
}

std::vector<std::shared_ptr<UIView>> responderSiblings(const UIView& view) {
    std::vector<std::shared_ptr<UIView>> siblings;
    auto superview = view.superview();
    if (!superview) return siblings;
    for (const auto& subview : superview->subviews()) {
        if (isResponderCandidate(*subview)) siblings.push_back(subview);
    }
    return siblings;
}

std::vector<std::shared_ptr<UIView>> deepResponderViews(const UIView& view) {
    std::vector<std::shared_ptr<UIView>> found;
    // Whether the view itself can pass touches on decides whether anything below it counts.
    const bool searchable = view.isUserInteractionEnabled() && !view.isHidden() && view.alpha() != 0;
    for (const auto& subview : view.subviews()) {
        if (isResponderCandidate(*subview)) {
            found.push_back(subview);
        } else if (!subview->subviews().empty() && searchable) {
            auto deeper = deepResponderViews(*subview);
            found.insert(found.end(), deeper.begin(), deeper.end());
        }
    }
    return sortTextFieldsByOrigin(view, std::move(found));
}

std::vector<std::shared_ptr<UIView>> sortTextFieldsByOrigin(const UIView& view,
                                                            std::vector<std::shared_ptr<UIView>> texFields) {
    std::vector<std::pair<CGRect, std::shared_ptr<UIView>>> placed;
    placed.reserve(texFields.size());
    for (auto& field : texFields) placed.emplace_back(field->convertRectTo(field->bounds(), &view), std::move(field));
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        if (a.first.minY() != b.first.minY()) return a.first.minY() < b.first.minY();
        return a.first.minX() < b.first.minX();
    });
    std::vector<std::shared_ptr<UIView>> sorted;
    sorted.reserve(placed.size());
    for (auto& entry : placed) sorted.push_back(std::move(entry.second));
    return sorted;
}

// ----- The per-view invocation store

namespace {

// The slots are named by the toolbar buttons' kinds.
constexpr const char* previousSlot = "Previous";
constexpr const char* nextSlot = "Next";
constexpr const char* doneSlot = "Done";

struct Slots {
    std::weak_ptr<const UIResponder> view;  // tells a live view from a dead one at the same address
    std::map<std::string, Invocation> byKind;
};

// Views cannot carry extra state, so the slots live beside them, keyed by identity. Main thread
// only, like the views.
std::unordered_map<const void*, Slots>& store() {
    static std::unordered_map<const void*, Slots> slots;
    return slots;
}

const void* identity(const UIView& view) { return dynamic_cast<const void*>(&view); }

// Drops the slots of dead views; their targets are released only after the store is consistent.
void sweep() {
    std::vector<Slots> dropped;
    auto& slots = store();
    for (auto it = slots.begin(); it != slots.end();) {
        if (it->second.view.expired()) {
            dropped.push_back(std::move(it->second));
            it = slots.erase(it);
        } else {
            ++it;
        }
    }
}

Invocation invocation(const UIView& view, const char* kind) {
    auto& slots = store();
    auto it = slots.find(identity(view));
    if (it == slots.end() || it->second.view.lock().get() != &view) return {};
    auto slot = it->second.byKind.find(kind);
    return slot == it->second.byKind.end() ? Invocation{} : slot->second;
}

void setInvocation(UIView& view, const char* kind, Invocation value) {
    sweep();
    auto& slots = store()[identity(view)];
    slots.view = view.weak_from_this();
    // The old target goes after the store has the new one.
    Invocation old = std::exchange(slots.byKind[kind], std::move(value));
}

}  // namespace

Invocation previousInvocation(const UIView& view) { return invocation(view, previousSlot); }
Invocation nextInvocation(const UIView& view) { return invocation(view, nextSlot); }
Invocation doneInvocation(const UIView& view) { return invocation(view, doneSlot); }

void setPreviousInvocation(UIView& view, Invocation value) { setInvocation(view, previousSlot, std::move(value)); }
void setNextInvocation(UIView& view, Invocation value) { setInvocation(view, nextSlot, std::move(value)); }
void setDoneInvocation(UIView& view, Invocation value) { setInvocation(view, doneSlot, std::move(value)); }

void setPreviousTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action) {
    setPreviousInvocation(view, {std::move(target), std::move(action)});
}
void setNextTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action) {
    setNextInvocation(view, {std::move(target), std::move(action)});
}
void setDoneTarget(UIView& view, std::shared_ptr<UIResponder> target, std::optional<std::string> action) {
    setDoneInvocation(view, {std::move(target), std::move(action)});
}

}  // namespace velmaro
