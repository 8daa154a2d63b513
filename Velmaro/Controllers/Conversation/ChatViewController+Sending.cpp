#include <algorithm>
#include <cmath>

#include "Foundation/TextHelpers.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/ChatService.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"

namespace velmaro {

bool ChatViewController::sameMessage(const MessageModel& a, const MessageModel& b) {
    if (std::isnan(a.messageId) || std::isnan(b.messageId))
        return std::isnan(a.messageId) && std::isnan(b.messageId) && a.message == b.message &&
               a.createdDateTime == b.createdDateTime;
    return a.messageId == b.messageId;
}

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
        sentMessages_.push_back({*message, latestDeskTime_, false});
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
    bool matched = false;
    for (const auto& entry : pending) {
        if (entry.messageId != messageModel.messageId) continue;
        matched = true;
        std::erase_if(unconfirmedMessages,
                      [&](const MessageModel& other) { return other.messageId == messageModel.messageId; });
        deferToNextTurn([self = sharedChat()] {
            if (self->tableView) self->tableView->reloadData();
        });
    }
    if (!matched) releaseDescription(messageModel);
}

void ChatViewController::releaseSentMessage(const MessageModel& row) {
    std::erase_if(unconfirmedMessages, [&](const MessageModel& entry) { return sameMessage(entry, row); });
}

void ChatViewController::releaseDescription(const MessageModel& echo) {
    auto sent = std::find_if(sentMessages_.begin(), sentMessages_.end(), [&](const SentMessage& candidate) {
        return candidate.description && candidate.row.message == echo.message && isAwaitingEcho(candidate.row);
    });
    if (sent == sentMessages_.end()) return;
    firstMessage_ = FirstMessage::sent;
    releaseSentMessage(sent->row);
    // From now on it goes by the echo's identity, so that another copy of the echo is no new row.
    for (auto& row : contentArray)
        if (sameMessage(row, sent->row)) row.messageId = echo.messageId;
    sent->row.messageId = echo.messageId;
    DispatchQueue::main().async([self = sharedChat()] {
        if (self->tableView) self->tableView->reloadData();
    });
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
