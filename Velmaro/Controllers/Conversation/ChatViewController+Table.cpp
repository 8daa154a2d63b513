#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/ChatAgentTableViewCell.h"
#include "Velmaro/View/ChatClientTableViewCell.h"
#include "Velmaro/View/ChatEventTableViewCell.h"

namespace velmaro {

int ChatViewController::numberOfRowsInSection(UITableView&, int) { return static_cast<int>(contentArray.size()); }

std::shared_ptr<UITableViewCell> ChatViewController::cellForRowAt(UITableView& table, const IndexPath& indexPath) {
    const MessageModel& message = contentArray.at(static_cast<std::size_t>(indexPath.row));
    if (message.senderType == "CUSTOMER") {
        auto cell = dequeueReusableCell<ChatClientTableViewCell>(table, indexPath);
        cell->setupClientCell(message, !isAwaitingEcho(message));
        return cell;
    }
    if (message.senderType == "AGENT") {
        auto cell = dequeueReusableCell<ChatAgentTableViewCell>(table, indexPath);
        cell->setupAgentCell(message, conversation, std::nullopt);
        return cell;
    }
    if (message.senderType == "ANNOUNCER") {
        const std::string identifier = ChatAgentTableViewCell::announcerIdentifier;
        auto cell = dequeueReusableCell<ChatAgentTableViewCell>(table, indexPath, identifier);
        cell->setupAgentCell(message, conversation, identifier);
        return cell;
    }
    auto cell = message.senderType == "SECTION_TITLE"
                    ? dequeueReusableCell<ChatEventTableViewCell>(table, indexPath,
                                                                  ChatEventTableViewCell::sectionTitleIdentifier)
                    : dequeueReusableCell<ChatEventTableViewCell>(table, indexPath);
    cell->lblEventDescription->setText(message.message);
    return cell;
}

std::optional<CGFloat> ChatViewController::heightForRowAt(UITableView&, const IndexPath&) {
    return UITableView::automaticDimension;
}

std::optional<CGFloat> ChatViewController::estimatedHeightForRowAt(UITableView&, const IndexPath&) { return 50; }

void ChatViewController::scrollViewDidScroll(UIScrollView& scrollView) {
    // The screen scrolls itself to every new row; that must not take a panel from under the user.
    if (!scrollView.isDragging()) return;
    if (detailsShown) dismissDetailsView();
    animateViewOut(starRatingView);
}

}  // namespace velmaro
