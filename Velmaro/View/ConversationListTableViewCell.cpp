#include "Velmaro/View/ConversationListTableViewCell.h"

#include "UIKit/CALayer.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

namespace {

const UIColor& unseenHighlight() {
    static const UIColor color = colorWithHexValue(0xF1F2F6);
    return color;
}

const std::shared_ptr<UIImage>& agentPlaceholder() {
    static const std::shared_ptr<UIImage> image = UIImage::named("AGENT", velmaroBundle());
    return image;
}

}  // namespace

void ConversationListTableViewCell::awakeFromNib() { UITableViewCell::awakeFromNib(); }

void ConversationListTableViewCell::setSelected(bool selected, bool animated) {
    UITableViewCell::setSelected(selected, animated);
}

void ConversationListTableViewCell::setupCell(const ConversationModel& conversation) {
    agentAndDateSettings(conversation);
    lblConversationName->setText(conversation.description);
    unseenActivitySettings(conversation);
    latestActivitySettings(conversation);
}

void ConversationListTableViewCell::agentAndDateSettings(const ConversationModel& conversation) {
    // A date the wire format does not match shows as now, silently.
    const Date date = fullDateFormatter().dateFromString(conversation.dateTime).value_or(Date::now());
    const std::string dateText = conversationListFormat().stringFromDate(date);
    if (auto config = Config::loadConfig()) imgVwAgent->setBackgroundColor(uiColor(config->primaryColor));
    imgVwAgent->layer()->setCornerRadius(width(*imgVwAgent.get()) * 0.5);
    if (!conversation.agentName || conversation.agentName->empty()) {
        avatarAddress_.reset();
        imgVwAgent->setImage(agentPlaceholder());
        lblAgentNameAndDate->setText(dateText);
        return;
    }
    lblAgentNameAndDate->setText(*conversation.agentName + ", " + dateText);
    loadAvatar(conversation.agentAvatarUrl);
}

void ConversationListTableViewCell::loadAvatar(const std::optional<std::string>& avatarUrl) {
    // The placeholder first: a reused cell must not show the face of the row it showed before.
    imgVwAgent->setImage(agentPlaceholder());
    auto url = coreImageURLFromString(avatarUrl);
    if (!url) {
        avatarAddress_.reset();
        return;
    }
    avatarAddress_ = url->absoluteString();
    std::weak_ptr<UIResponder> weak = weak_from_this();
    loadImage(*url, [weak, address = *avatarAddress_](std::shared_ptr<UIImage> image) {
        auto alive = std::static_pointer_cast<ConversationListTableViewCell>(weak.lock());
        // Loads are not cancelled: one that finishes after the cell moved on to another row
        // belongs to nobody.
        if (!alive || alive->avatarAddress_ != address || !alive->imgVwAgent) return;
        alive->imgVwAgent->setImage(std::move(image));
    });
}

void ConversationListTableViewCell::unseenActivitySettings(const ConversationModel& conversation) {
    const int unseen = conversation.unseenActivityCount;
    if (unseen > 0) {
        btnUnseenActivityCount->setTitle(std::to_string(unseen), UIControlStateNormal);
        setBackgroundColor(unseenHighlight());
        btnUnseenActivityCount->setHidden(false);
    } else {
        btnUnseenActivityCount->setHidden(true);
        setBackgroundColor(VelmaroColors::VelmaroLightGray());
    }
}

void ConversationListTableViewCell::latestActivitySettings(const ConversationModel& conversation) {
    if (conversation.activities.empty() || conversation.activities.back().contents.empty()) {
        lblConversationContent->setText(std::string());
        return;
    }
    const ContentModel& latest = conversation.activities.back().contents.back();
    std::string prefix;
    if (latest.direction == "INBOUND") {
        prefix = "Me: ";
    } else if (latest.direction == "OUTBOUND") {
        // An absent agent name reads like an empty one, as in the agent line above.
        prefix = conversation.agentName.value_or("") + ": ";
    } else {
        prefix = latest.eventDescription;
    }
    lblConversationContent->setText(prefix + latest.text);
}

}  // namespace velmaro
