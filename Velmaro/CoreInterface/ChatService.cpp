#include "Velmaro/CoreInterface/ChatService.h"

#include <limits>

#include "Velmaro/CoreInterface/CoreLibrary.h"
#include "Velmaro/CoreInterface/ServiceError.h"

namespace velmaro {

ChatService& ChatService::shared() {
    static ChatService service;
    return service;
}

void ChatService::configureChat(std::optional<std::string> tenantId,
                                std::optional<std::string> userId,
                                std::optional<std::string> chatId,
                                std::weak_ptr<ChatEventDelegate> delegate) {
    if (auto core = installedCoreLibrary()) {
        core->configureChat(std::move(tenantId), std::move(userId), std::move(chatId),
                            std::move(delegate));
    } else if (auto receiver = delegate.lock()) {
        receiver->chatErrorReceived(ServiceError::noCoreLibrary().customDescription);
    }
}

void ChatService::connectChat(std::optional<std::string> firstMessage) {
    if (auto core = installedCoreLibrary()) core->connectChat(std::move(firstMessage));
}

double ChatService::sendMessage(const std::string& message) {
    if (auto core = installedCoreLibrary()) return core->sendMessage(message);
    return std::numeric_limits<double>::quiet_NaN();
}

void ChatService::subscribe() {
    if (auto core = installedCoreLibrary()) core->subscribe();
}

void ChatService::disconnectChat() {
    if (auto core = installedCoreLibrary()) core->disconnectChat();
}

}  // namespace velmaro
