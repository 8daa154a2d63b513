#pragma once

#include <string>

#include "Foundation/Any.h"

namespace velmaro {

// Receives the live chat's events, on a thread of the core's choosing. The chat service holds it
// weakly: a destroyed delegate is simply not called.
class ChatEventDelegate {
public:
    virtual ~ChatEventDelegate() = default;

    virtual void connecting() = 0;
    virtual void connected() = 0;
    virtual void disconnected() = 0;
    // A message event as the core delivered it; read it with MessageModel::fromJson.
    virtual void chatMessageReceived(const AnyDictionary& message) = 0;
    virtual void chatErrorReceived(const std::string& errorDescription) = 0;
};

}  // namespace velmaro
