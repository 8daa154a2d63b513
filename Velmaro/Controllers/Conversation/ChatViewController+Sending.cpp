#include <algorithm>
#include <cmath>

#include "Foundation/TextHelpers.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/ChatService.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

namespace {

// The same message: by the identity the core gave it; a message that got none (NaN) is itself
// only, by its text and the instant it was made.
bool sameMessage(const MessageModel& a, const MessageModel& b) {
    if (std::isnan(a.messageId) || std::isnan(b.messageId))
        return std::isnan(a.messageId) && std::isnan(b.messageId) && a.message == b.message &&
               a.createdDateTime == b.createdDateTime;
    return a.messageId == b.messageId;
}

}  // namespace

void ChatViewController::btnSendPressed() {
    if (!fldMessage) return;
    fldMessage->resignFirstResponder();
    // Nothing can be sent into a chat that is not connected; the text waits in the field.
    if (!fldMessage->isEnabled()) return;
    const std::string trimmed = trimmingWhitespaceAndNewlines(fldMessage->text().value_or(""));
    if (userPerceivedCharacterCount(trimmed) > 0)
        sendingMessageSettings();
    else
        showAlert(sharedChat(), "Please enter some text", "");
}

bool ChatViewController::textFieldShouldReturn(const std::shared_ptr<UITextField>& field) {
    if (field) field->resignFirstResponder();
    btnSendPressed();
    return true;
}

void ChatViewController::textFieldValueChanged(const std::shared_ptr<UITextField>& field) {
    const bool empty = !field || field->text().value_or("").empty();
    if (btnExit) btnExit->setHidden(!empty);
    if (btnSend) btnSend->setHidden(empty);
}

void ChatViewController::sendingMessageSettings() {
    auto message = MessageModel::fromJson({{"", Any(std::string())}});
    const std::string text = fldMessage->text().value_or("");
    const double messageId = ChatService::shared().sendMessage(text);
    if (message) {
        message->message = text;
        message->senderType = "CUSTOMER";
        // The echo will carry this identity; until it comes the row shows no seen mark.
        message->messageId = messageId;
        unconfirmedMessages.push_back(*message);
        contentArray.push_back(std::move(*message));
    }
    deferToNextTurn([self = sharedChat()] {
        if (self->btnExit) self->btnExit->setHidden(false);
        if (self->btnSend) self->btnSend->setHidden(true);
        if (self->fldMessage) self->fldMessage->setText(std::string());
        self->reloadAndScrollToBottom();
    });
}

void ChatViewController::removeSentMessage(const MessageModel& messageModel) {
    const auto pending = unconfirmedMessages;
    for (const auto& entry : pending) {
        if (entry.messageId != messageModel.messageId) continue;
        std::erase_if(unconfirmedMessages,
                      [&](const MessageModel& other) { return other.messageId == messageModel.messageId; });
        deferToNextTurn([self = sharedChat()] {
            if (self->tableView) self->tableView->reloadData();
        });
    }
}

bool ChatViewController::isAwaitingEcho(const MessageModel& row) const {
    return std::any_of(unconfirmedMessages.begin(), unconfirmedMessages.end(),
                       [&](const MessageModel& entry) { return sameMessage(entry, row); });
}

void ChatViewController::textFieldDidBeginEditing(const std::shared_ptr<UITextField>&) {
    ChatService::shared().subscribe();
    // The answer changes nothing here.
    if (conversation)
        ConversationService::shared().setConversationSeen(conversation->id, [](const auto&, const auto&) {});
    if (detailsShown) dismissDetailsView();
    animateViewOut(starRatingView);
}

}  // namespace velmaro
