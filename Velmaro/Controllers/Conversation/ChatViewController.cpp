#include "Velmaro/Controllers/Conversation/ChatViewController.h"

#include <algorithm>
#include <cmath>

#include "Dispatch/DispatchQueue.h"
#include "Foundation/NotificationCenter.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/CoreInterface/ChatService.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/CoreInterface/UserModel.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

namespace {

const UIColor& connectingColor() {
    static const UIColor color = colorWithHexValue(0xFF8539);
    return color;
}

const UIColor& disconnectedColor() {
    static const UIColor color = colorWithHexValue(0xFF201E);
    return color;
}

}  // namespace

ChatViewController::ChatViewController() = default;
ChatViewController::~ChatViewController() = default;

std::shared_ptr<ChatViewController> ChatViewController::sharedChat() {
    return std::static_pointer_cast<ChatViewController>(sharedController());
}

// ----- Lifecycle

void ChatViewController::viewDidLoad() {
    TitledViewController::viewDidLoad();
    ratingButtons.clear();
    for (const auto* outlet : {&btnRatingZero, &btnRatingOne, &btnRatingTwo, &btnratingThree, &btnRatingFour})
        if (auto button = outlet->get()) ratingButtons.push_back(button);
    if (auto config = Config::loadConfig()) {
        for (const auto& button : ratingButtons) button->setTintColor(uiColor(config->primaryColor));
        if (btnSend) btnSend->setTintColor(uiColor(config->primaryColor));
        if (starRatingView) starRatingView->layer()->setBorderColor(uiColor(config->primaryColor));
    }
    setConversationSeen();
    observeKeyboard();
    setupTenantData();
    // Screens pushed over the chat show no back text.
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
    if (fldMessage) fldMessage->setEnabled(false);
    setupInputViewAppearance();
}

void ChatViewController::viewWillAppear(bool) {
    // A screen that comes back (after a modal or a screen pushed over it) is no longer leaving,
    // and the keyboard must move it again.
    viewDissappearing = false;
    observeKeyboard();
    if (!conversation) return;
    getConversation(conversation->id);
    getScores();
}

void ChatViewController::viewWillDisappear(bool) {
    viewDissappearing = true;
    disconnectChat();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (auto root = viewIfLoaded()) root->endEditing(true);
}

void ChatViewController::viewDidDisappear(bool) { disconnectChat(); }

void ChatViewController::observeKeyboard() {
    auto& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    observeKeyboardMoves(center, sharedChat(), &ChatViewController::adjustForKeyboard);
}

// ----- Core calls

void ChatViewController::getConversation(const std::string& conversationId) {
    ConversationService::shared().getConversation(
        conversationId, mainQueueCompletion(sharedChat(), &ChatViewController::conversationLoaded));
}

void ChatViewController::getScores() {
    ConversationService::shared().getSatisfactionScores(
        mainQueueCompletion(sharedChat(), &ChatViewController::scoresLoaded));
}

void ChatViewController::conversationLoaded(std::optional<ConversationModel> loaded,
                                            std::optional<ServiceError> error) {
    if (!loaded) {
        if (error) showAlert(sharedChat(), "Error", error->customDescription);
        return;
    }
    conversation = loaded;
    setupAppUserData(*loaded);
    extractPreviousActivity(*loaded);
}

void ChatViewController::setConversationSeen() {
    if (vwConversationDetails) {
        vwConversationDetails->setFrame(CGRect{0, -detailsHeight, width(*view()), detailsHeight});
        // Under the row of chat controls, so that the toggle stays in reach while the panel is open.
        if (btnEndChat && btnEndChat->superview() == view())
            view()->insertSubviewBelow(vwConversationDetails, btnEndChat.get());
        else
            view()->addSubview(vwConversationDetails);
    }
    if (!conversation) return;
    ConversationService::shared().setConversationSeen(
        conversation->id, mainQueueCompletion(sharedChat(), &ChatViewController::seenMarked));
}

void ChatViewController::seenMarked(std::optional<ConversationModel>, std::optional<ServiceError> error) {
    if (error) {
        showAlert(sharedChat(), "Error", error->customDescription);
        return;
    }
    if (!conversation) return;
    if (auto delegate = chatDelegate.lock()) delegate->chatSeen(conversation->id);
}

void ChatViewController::setupChat(std::optional<std::string> firstMessage) {
    auto config = Config::loadConfig();
    if (!config) return;
    auto user = UserModel::loadUser();
    if (!user || !conversation) return;
    if (!chatEvents_) chatEvents_ = std::make_shared<MainQueueChatEvents>(sharedChat());
    ChatService::shared().configureChat(config->tenantId, user->id, conversation->id, chatEvents_);
    // The next "connected" tells whether this connect took the description along.
    if (firstMessage_ != FirstMessage::sent)
        firstMessage_ = firstMessage && !firstMessage->empty() && *firstMessage == firstChatMessage
                            ? FirstMessage::carried
                            : FirstMessage::waiting;
    ChatService::shared().connectChat(std::move(firstMessage));
}

void ChatViewController::disconnectChat() { ChatService::shared().disconnectChat(); }

void ChatViewController::chatEnded() { dismiss(true); }

void ChatViewController::dismissChat() {
    if (auto navigation = navigationController()) navigation->popViewController(true);
}

void ChatViewController::endChat() {
    if (detailsShown) dismissDetailsView();
    endChatPressed();
}

void ChatViewController::endChatPressed() {
    view()->endEditing(true);
    DispatchQueue::main().asyncAfter(ratingDelay, [self = sharedChat()] { self->animateViewIn(self->starRatingView); });
}

// ----- Chat events (on the main queue, through chatEvents_)

void ChatViewController::showStatus(const std::string& text, const UIColor& color) {
    if (!lblChatStatus) return;
    lblChatStatus->setText(text);
    lblChatStatus->setBackgroundColor(color);
}

void ChatViewController::revealStatus() {
    // Showing the strip never hides a newer state, so it is not voided by one: "Connecting"
    // followed at once by "Connected" still shows "Connected" before it fades.
    UIView::animate(statusAnimationDuration, [self = sharedChat()] {
        if (self->lblChatStatus) self->lblChatStatus->setAlpha(1);
    });
}

void ChatViewController::connecting() {
    if (viewDissappearing) return;
    beginStatusChain();
    auto self = sharedChat();
    UIView::animate(
        statusAnimationDuration,
        [self] {
            if (self->tableView) self->tableView->setContentInset(UIEdgeInsets{statusStripHeight, 0, 0, 0});
            self->showStatus("Connecting", connectingColor());
        },
        [self](bool) { self->revealStatus(); });
}

void ChatViewController::connected() {
    const unsigned generation = beginStatusChain();
    auto self = sharedChat();
    UIView::animate(
        statusAnimationDuration, [self] { self->showStatus("Connected", VelmaroColors::VelmaroGreen()); },
        [self, generation](bool) {
            if (!self->isCurrentStatusChain(generation)) return;
            UIView::animate(
                0.5, statusAnimationDuration, UIViewAnimationOptionAllowAnimatedContent,
                [self] {
                    if (self->tableView) self->tableView->setContentInset(UIEdgeInsets{});
                },
                [self, generation](bool) {
                    if (self->isCurrentStatusChain(generation) && self->lblChatStatus) self->lblChatStatus->setAlpha(0);
                });
        });
    if (firstMessage_ == FirstMessage::carried) firstMessage_ = FirstMessage::sent;
    if (fldMessage) fldMessage->setEnabled(true);
}

void ChatViewController::disconnected() {
    if (fldMessage) fldMessage->setEnabled(false);
    if (viewDissappearing) return;
    beginStatusChain();
    showStatus("Disconnected", disconnectedColor());
    auto self = sharedChat();
    UIView::animate(
        statusAnimationDuration,
        [self] {
            if (self->tableView) self->tableView->setContentInset(UIEdgeInsets{statusStripHeight, 0, 0, 0});
        },
        [self](bool) { self->revealStatus(); });
}

void ChatViewController::chatErrorReceived(const std::string&) {
    if (fldMessage) fldMessage->setEnabled(false);
    // A connect that failed did not take the description along.
    if (firstMessage_ == FirstMessage::carried) firstMessage_ = FirstMessage::waiting;
}

void ChatViewController::chatMessageReceived(const AnyDictionary& message) {
    auto record = MessageModel::fromJson(message);
    if (!record) return;
    // Only a time the desk gave counts; the record's default is the phone's clock.
    if (message.contains("createdDateTime")) noteDeskTime(record->createdDateTime);
    if (record->type == "RECEIVED_MESSAGE_RESPONSE" && record->senderType == "CUSTOMER") {
        removeSentMessage(*record);
        return;
    }
    if (record->type == "SEND_MESSAGE_RESPONSE") return;
    if (record->type == "INTERACTION_CLOSED_RESPONSE") {
        // A leaving screen does not connect a closed chat again.
        if (!viewDissappearing) setupChat(std::nullopt);
        return;
    }
    // A message delivered twice is one row: the same identity from the same kind of sender.
    if (!std::isnan(record->messageId) &&
        std::any_of(contentArray.begin(), contentArray.end(), [&](const MessageModel& row) {
            return row.messageId == record->messageId && row.senderType == record->senderType;
        }))
        return;
    contentArray.push_back(std::move(*record));
    reloadAndScrollToBottom();
}

void ChatViewController::reloadAndScrollToBottom() {
    if (tableView) tableView->reloadData();
    scrollToBottom(true);
}

}  // namespace velmaro
