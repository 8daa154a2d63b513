// Named actions: how UIApplication::sendAction asks a responder to perform a selector.

#include "UIKit/UIResponder.h"

void UIResponder::setNamedAction(const std::string& name, NamedAction action) {
    if (action) {
        namedActions_[name] = std::move(action);
    } else {
        namedActions_.erase(name);
    }
}

bool UIResponder::canPerformAction(const std::string& name) const {
    return namedActions_.contains(name);
}

bool UIResponder::performAction(const std::string& name, const std::shared_ptr<UIResponder>& sender,
                                const std::shared_ptr<UIEvent>& event) {
    auto it = namedActions_.find(name);
    if (it == namedActions_.end()) return false;
    // A copy: the action may replace or remove itself.
    auto action = it->second;
    action(sender, event);
    return true;
}
