#include "Velmaro/View/ChatAgentTableViewCell.h"

#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/ChatBubble.h"

namespace velmaro {

void ChatAgentTableViewCell::awakeFromNib() {
    UITableViewCell::awakeFromNib();
    if (lblMessage) messageArea_ = lblMessage->frame();
    auto config = Config::loadConfig();
    if (!config) return;
    const UIColor primary = uiColor(config->primaryColor);
    if (btnAvatar) btnAvatar->setBackgroundColor(primary);
    if (backView) backView->setBackgroundColor(UIColor(redValue(primary), greenValue(primary), blueValue(primary), 0.1));
}

void ChatAgentTableViewCell::setupAgentCell(const MessageModel& message,
                                            const std::optional<ConversationModel>& conversation,
                                            const std::optional<std::string>& identifier) {
    setDateAndContent(message);
    if (!identifier && conversation) setAvatar(*conversation);
}

void ChatAgentTableViewCell::setDateAndContent(const MessageModel& message) {
    lblFuzzyTime->setText(timeFormatter().stringFromDate(message.createdDateTime));
    lblMessage->setText(message.message);
    ChatBubble::fit(*lblMessage.get(), messageArea_, ChatBubble::Side::leading,
                    {backView.get().get(), vWMessageContainer.get().get()});
}

void ChatAgentTableViewCell::setAvatar(const ConversationModel& conversation) {
    // No address, or one that makes no URL, requests nothing: the button keeps its image.
    if (!btnAvatar) return;
    if (auto url = coreImageURLFromString(conversation.agentAvatarUrl)) fetchImageFromURL(*btnAvatar.get(), *url);
}

}  // namespace velmaro
