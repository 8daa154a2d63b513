#include "Velmaro/View/ChatClientTableViewCell.h"

#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/ChatBubble.h"

namespace velmaro {

void ChatClientTableViewCell::awakeFromNib() {
    UITableViewCell::awakeFromNib();
    if (btnSeen) unseenTint_ = btnSeen->tintColor();
    if (lblMessage) messageArea_ = lblMessage->frame();
}

void ChatClientTableViewCell::setupClientCell(const MessageModel& message, bool seen) {
    lblMessage->setText(message.message);
    ChatBubble::fit(*lblMessage.get(), messageArea_, ChatBubble::Side::trailing, {vwBubble.get().get()});
    lblFuzzyTime->setText(timeFormatter().stringFromDate(message.createdDateTime));
    std::optional<Config> config = seen ? Config::loadConfig() : std::nullopt;
    btnSeen->setTintColor(config ? std::optional<UIColor>(uiColor(config->primaryColor)) : unseenTint_);
}

}  // namespace velmaro
