#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Any.h"
#include "Velmaro/CoreInterface/ChatEventDelegate.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/SatisfactionScoreModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/CoreInterface/UserModel.h"

namespace velmaro {

// What a core library implementation provides. The layer never calls it directly: it goes
// through ConversationService, CoreService, ChatService and the record operations, which forward
// to the implementation the host installed. Completions and chat events may arrive on any
// thread, and must not be called with the implementation's own locks held (handlers call back).
class CoreLibrary {
public:
    virtual ~CoreLibrary() = default;

    virtual void getAllConversations(std::optional<StringDictionary> parameters,
                                     ServiceCompletion<std::vector<ConversationModel>> completion) = 0;
    virtual void getConversation(std::string conversationId,
                                 ServiceCompletion<ConversationModel> completion) = 0;
    virtual void createConversation(std::optional<StringDictionary> parameters,
                                    ServiceCompletion<ConversationModel> completion) = 0;
    virtual void setConversationSeen(std::string conversationId,
                                     ServiceCompletion<ConversationModel> completion) = 0;
    virtual void getSatisfactionScores(
        ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) = 0;
    virtual void sendConversationScore(std::string conversationId, std::string scoreId,
                                       ServiceCompletion<ConversationModel> completion) = 0;

    virtual void createEndUser(std::optional<StringDictionary> userParameters,
                               ServiceCompletion<UserModel> completion) = 0;
    virtual void updateUser(StringDictionary userParameters,
                            ServiceCompletion<UserModel> completion) = 0;
    virtual std::optional<UserModel> loadUser() = 0;
    // `completion` may be empty.
    virtual void authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) = 0;
    virtual void clearUserDetails(UserModel user) = 0;
    virtual std::optional<Config> loadConfig() = 0;

    virtual void configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                               std::optional<std::string> chatId,
                               std::weak_ptr<ChatEventDelegate> delegate) = 0;
    virtual void connectChat(std::optional<std::string> firstMessage) = 0;
    // Answers the identity the message's echo ("RECEIVED_MESSAGE_RESPONSE" from "CUSTOMER") will
    // carry as "messageId".
    virtual double sendMessage(std::string message) = 0;
    virtual void subscribe() = 0;
    virtual void disconnectChat() = 0;
};

// Installs the core implementation the services forward to; a host does it once at start-up,
// tests per test. Passing nullptr uninstalls. Safe from any thread; calls already forwarded
// finish on the implementation they reached.
void installCoreLibrary(std::shared_ptr<CoreLibrary> core);
// The installed implementation, or nullptr.
std::shared_ptr<CoreLibrary> installedCoreLibrary();

}  // namespace velmaro
