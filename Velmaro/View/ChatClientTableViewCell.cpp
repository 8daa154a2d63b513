#include "Velmaro/View/ChatClientTableViewCell.h"

#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

void ChatClientTableViewCell::awakeFromNib() {
    UITableViewCell::awakeFromNib();
    if (btnSeen) unseenTint_ = btnSeen->tintColor();
}

void ChatClientTableViewCell::setupClientCell(const MessageModel& message, bool seen) {
    lblMessage->setText(message.message);
    lblFuzzyTime->setText(timeFormatter().stringFromDate(message.createdDateTime));
    std::optional<Config> config = seen ? Config::loadConfig() : std::nullopt;
    btnSeen->setTintColor(config ? std::optional<UIColor>(uiColor(config->primaryColor)) : unseenTint_);
}

}  // namespace velmaro
