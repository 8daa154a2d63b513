#include "Velmaro/CoreInterface/ConversationService.h"

#include "Velmaro/CoreInterface/CoreLibrary.h"

namespace velmaro {

namespace {

template <class Result>
void failWithoutCore(const ServiceCompletion<Result>& completion) {
    if (completion) completion(std::nullopt, ServiceError::noCoreLibrary());
}

}  // namespace

ConversationService& ConversationService::shared() {
    static ConversationService service;
    return service;
}

void ConversationService::getAllConversations(
    std::optional<StringDictionary> parameters,
    ServiceCompletion<std::vector<ConversationModel>> completion) {
    if (auto core = installedCoreLibrary())
        core->getAllConversations(std::move(parameters), std::move(completion));
    else
        failWithoutCore(completion);
}

void ConversationService::getConversation(const std::string& conversationId,
                                          ServiceCompletion<ConversationModel> completion) {
    if (auto core = installedCoreLibrary())
        core->getConversation(conversationId, std::move(completion));
    else
        failWithoutCore(completion);
}

void ConversationService::createConversation(std::optional<StringDictionary> parameters,
                                             ServiceCompletion<ConversationModel> completion) {
    if (auto core = installedCoreLibrary())
        core->createConversation(std::move(parameters), std::move(completion));
    else
        failWithoutCore(completion);
}

void ConversationService::setConversationSeen(const std::string& conversationId,
                                              ServiceCompletion<ConversationModel> completion) {
    if (auto core = installedCoreLibrary())
        core->setConversationSeen(conversationId, std::move(completion));
    else
        failWithoutCore(completion);
}

void ConversationService::getSatisfactionScores(
    ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) {
    if (auto core = installedCoreLibrary())
        core->getSatisfactionScores(std::move(completion));
    else
        failWithoutCore(completion);
}

void ConversationService::sendConversationScore(const std::string& conversationId,
                                                const std::string& scoreId,
                                                ServiceCompletion<ConversationModel> completion) {
    if (auto core = installedCoreLibrary())
        core->sendConversationScore(conversationId, scoreId, std::move(completion));
    else
        failWithoutCore(completion);
}

}  // namespace velmaro
