#pragma once

#include <concepts>
#include <string>

class UITableViewCell;

namespace velmaro {

// Marks a cell that is registered in a table under its plain class name. C++ cannot name a class
// by itself, so each such cell spells its name once as `defaultReuseIdentifier`.
class Reusable {
protected:
    Reusable() = default;
    ~Reusable() = default;
};

// Marks a cell laid out in the storyboard rather than in code.
class NibLoadable {
protected:
    NibLoadable() = default;
    ~NibLoadable() = default;
};

template <class T>
concept ReusableCell = std::derived_from<T, UITableViewCell> && std::derived_from<T, Reusable> && requires {
    { T::defaultReuseIdentifier } -> std::convertible_to<std::string>;
};

// Told by the chat screen once the core has marked its conversation seen.
class ChatVisibilityDelegate {
public:
    virtual ~ChatVisibilityDelegate() = default;
    virtual void chatSeen(const std::string& conversationID) = 0;
};

}  // namespace velmaro
