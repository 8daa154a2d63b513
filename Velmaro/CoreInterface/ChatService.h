#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Velmaro/CoreInterface/ChatEventDelegate.h"

namespace velmaro {

// The live chat of one conversation, through the installed core library. Events go to the
// delegate given to configureChat, held weakly. Without a core, configureChat reports
// "no core library installed" through chatErrorReceived and the other operations do nothing.
class ChatService {
public:
    static ChatService& shared();

    void configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                       std::optional<std::string> chatId, std::weak_ptr<ChatEventDelegate> delegate);
    // Emits connecting then connected; sends `firstMessage` once connected when it is not empty.
    void connectChat(std::optional<std::string> firstMessage);
    // Answers the identity ("messageId") that the echo of this message will carry; NaN, which
    // matches nothing, without a core.
    double sendMessage(const std::string& message);
    void subscribe();
    void disconnectChat();

private:
    ChatService() = default;
};

}  // namespace velmaro
