#include "UIKit/CAShapeLayer.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

void ChatViewController::adjustForKeyboard(const Notification& notification) {
    auto root = view();
    // No end frame reads as the zero rectangle.
    const CGRect keyboard = root->convertRectFrom(UIKeyboard::endFrame(notification.userInfo).value_or(CGRect{}), nullptr);
    const bool hiding = notification.name == UIKeyboardWillHideNotification;
    UIView::animate(0.2, [root, keyboard, hiding] {
        const CGRect frame = root->frame();
        root->setFrame(CGRect{0, hiding ? 0 : -keyboard.height(), frame.width(), frame.height()});
    });
}

void ChatViewController::setupInputViewAppearance() {
    if (!vwInput) return;
    auto mask = std::make_shared<CAShapeLayer>();
    mask->setPath(UIBezierPath::makeRoundedRect(view()->bounds(), UIRectCornerTopLeft | UIRectCornerTopRight,
                                                CGSize{5, 5}));
    vwInput->layer()->setMask(mask);
}

void ChatViewController::setupTenantData() {
    auto config = Config::loadConfig();
    if (!config) return;
    if (titleAvatar && !config->avatarUrl.empty()) loadCoreImage(*titleAvatar.get(), config->avatarUrl);
    if (titleLabel) titleLabel->setText(config->name + " support");
}

void ChatViewController::setupAppUserData(const ConversationModel& con) {
    if (!con.agentName || con.agentName->empty()) {
        setupTenantData();
        return;
    }
    deferToNextTurn([self = sharedChat(), name = *con.agentName, avatar = con.agentAvatarUrl] {
        if (!self->titleAvatar || !self->titleLabel) return;
        self->titleAvatar->setImage(UIImage::named("AGENT", velmaroBundle()));
        if (avatar && !avatar->empty()) loadCoreImage(*self->titleAvatar.get(), avatar);
        self->titleLabel->setText(name);
    });
}

void ChatViewController::showDetails() {
    view()->endEditing(true);
    animateViewOut(starRatingView);
    setConversationData();
    setAgentData();
    if (detailsShown) {
        toggleDetailsView("downArrow", -detailsHeight);
    } else {
        auto navigation = navigationController();
        const bool translucent = navigation && navigation->navigationBar()->isTranslucent();
        toggleDetailsView("upArrow", translucent ? 64 : 0);
    }
    detailsShown = !detailsShown;
}

void ChatViewController::toggleDetailsView(const std::string& imageName, CGFloat originY) {
    if (btnDetails) btnDetails->setImage(UIImage::named(imageName, velmaroBundle()), UIControlStateNormal);
    auto panel = vwConversationDetails;
    if (!panel) return;
    const CGFloat panelWidth = width(*view());
    UIView::animate(0.3, [panel, originY, panelWidth] { panel->setFrame(CGRect{0, originY, panelWidth, detailsHeight}); });
}

void ChatViewController::dismissDetailsView() {
    if (!detailsShown) return;
    toggleDetailsView("downArrow", -detailsHeight);
    detailsShown = false;
}

void ChatViewController::setConversationData() {
    if (!conversation) return;
    if (lblStatus) lblStatus->setText(conversation->status);
    if (lblConversationSubject) lblConversationSubject->setText(conversation->subject);
    if (lblConversationTitle) lblConversationTitle->setText("Conversation " + std::to_string(conversation->number));
    const Date date = fullDateFormatter().dateFromString(conversation->dateTime).value_or(Date::now());
    if (lblDate) lblDate->setText(conversationListFormat().stringFromDate(date));
}

void ChatViewController::setAgentData() {
    const bool named = conversation && conversation->agentName && !conversation->agentName->empty();
    if (lblAgent) {
        lblAgent->setHidden(!named);
        if (named) lblAgent->setText(*conversation->agentName);
    }
    if (lblAgentDescriptor) lblAgentDescriptor->setHidden(!named);
}

}  // namespace velmaro
