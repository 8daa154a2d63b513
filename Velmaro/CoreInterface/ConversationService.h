#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/SatisfactionScoreModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"

namespace velmaro {

// Conversations of the end user, through the installed core library. Without one, every
// completion receives ServiceError::noCoreLibrary() at once on the calling thread.
class ConversationService {
public:
    static ConversationService& shared();

    // "onlyUnseen" = "true" limits the list to conversations with unseen activity.
    void getAllConversations(std::optional<StringDictionary> parameters,
                             ServiceCompletion<std::vector<ConversationModel>> completion);
    void getConversation(const std::string& conversationId,
                         ServiceCompletion<ConversationModel> completion);
    // Needs "description"; further keys (such as "endUserToken") go to the core unchanged.
    void createConversation(std::optional<StringDictionary> parameters,
                            ServiceCompletion<ConversationModel> completion);
    void setConversationSeen(const std::string& conversationId,
                             ServiceCompletion<ConversationModel> completion);
    // The rating scale in order, worst first.
    void getSatisfactionScores(ServiceCompletion<std::vector<SatisfactionScoreModel>> completion);
    void sendConversationScore(const std::string& conversationId, const std::string& scoreId,
                               ServiceCompletion<ConversationModel> completion);

private:
    ConversationService() = default;
};

}  // namespace velmaro
