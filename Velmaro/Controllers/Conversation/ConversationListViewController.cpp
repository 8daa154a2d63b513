#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/ConversationListTableViewCell.h"

namespace velmaro {

std::shared_ptr<ConversationListViewController> ConversationListViewController::sharedList() {
    return std::static_pointer_cast<ConversationListViewController>(sharedController());
}

void ConversationListViewController::viewDidLoad() {
    TitledViewController::viewDidLoad();
    if (auto config = Config::loadConfig()) {
        if (conversationTypeSegmentedControl) conversationTypeSegmentedControl->setTintColor(uiColor(config->primaryColor));
        if (newConversationButton) newConversationButton->setBackgroundColor(uiColor(config->primaryColor));
        if (settingsButton) settingsButton->setTintColor(uiColor(config->primaryColor));
    }
    // Posted by the host on any thread; the registration ends with the screen.
    observeOnMainQueue(NotificationCenter::defaultCenter(), sharedList(), newMessageNotification,
                       [](ConversationListViewController& list, const Notification&) { list.getConversations(); });
}

void ConversationListViewController::viewWillAppear(bool) {
    getConversations();
    setupNavigationAppearance();
}

void ConversationListViewController::didReceiveMemoryWarning() { TitledViewController::didReceiveMemoryWarning(); }

void ConversationListViewController::getConversations() {
    // The outstanding request will refresh the list.
    if (requestInProgress) return;
    requestInProgress = true;
    ConversationService::shared().getAllConversations(
        std::nullopt, mainQueueCompletion(sharedList(), &ConversationListViewController::conversationsLoaded));
}

void ConversationListViewController::conversationsLoaded(std::optional<std::vector<ConversationModel>> loaded,
                                                         std::optional<ServiceError> error) {
    requestInProgress = false;
    if (!loaded) {
        // The previous rows stay; the next appearance or notification tries again.
        showAlert(sharedList(), "Error", error ? error->customDescription : std::string());
        return;
    }
    // Exact, case-sensitive statuses, in the order delivered; any other status is never shown.
    // The delivered list is this screen's own, so its records move rather than copy.
    open.clear();
    closed.clear();
    for (auto& conversation : *loaded) {
        if (conversation.status == "OPEN") {
            open.push_back(std::move(conversation));
        } else if (conversation.status == "CLOSED") {
            closed.push_back(std::move(conversation));
        }
    }
    conversations = selectedSegment == 0 ? open : closed;
    if (tableView) tableView->reloadData();
}

void ConversationListViewController::conversationsChanged(const std::shared_ptr<UISegmentedControl>& sender) {
    if (!sender) return;
    const int segment = sender->selectedSegmentIndex();
    conversations = segment == 0 ? open : closed;
    selectedSegment = segment;
    if (tableView) tableView->reloadData();
}

void ConversationListViewController::showConversationDetails(const IndexPath& indexPath) {
    if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= conversations.size()) return;
    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    chat->conversation = conversations[static_cast<std::size_t>(indexPath.row)];
    if (auto navigation = navigationController()) navigation->pushViewController(chat, true);
}

void ConversationListViewController::setupNavigationAppearance() {
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(false, true);
    // A screen pushed over this one shows a back control without text.
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
}

int ConversationListViewController::numberOfRowsInSection(UITableView&, int) {
    return static_cast<int>(conversations.size());
}

std::shared_ptr<UITableViewCell> ConversationListViewController::cellForRowAt(UITableView&,
                                                                              const IndexPath& indexPath) {
    // Always from the screen's own table, whichever table asks.
    auto own = tableView.get();
    auto cell = dequeueReusableCell<ConversationListTableViewCell>(*own, indexPath);
    cell->setupCell(conversations.at(static_cast<std::size_t>(indexPath.row)));
    return cell;
}

std::shared_ptr<UIView> ConversationListViewController::viewForFooterInSection(UITableView&, int) {
    // An empty footer: no separators under the last row.
    return UIView::make();
}

void ConversationListViewController::didSelectRowAt(UITableView&, const IndexPath& indexPath) {
    showConversationDetails(indexPath);
}

}  // namespace velmaro
