#include "Velmaro/Controllers/Conversation/AddConversationViewController.h"

#include "Foundation/UserDefaults.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITextView.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/CoreInterface/StoredKeys.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/View/AddConversationIssueCell.h"

namespace velmaro {

namespace {

const char* const descriptionKey = "description";
const char* const tokenKey = "endUserToken";

// The hint sits in the text view's container, its direct superview.
void scaleHint(const std::shared_ptr<UITextView>& view, CGFloat scale) {
    if (!view) return;
    auto container = std::dynamic_pointer_cast<PlaceholderTextView>(view->superview());
    if (!container || !container->labelPlaceholder) return;
    container->labelPlaceholder->setTransform(CGAffineTransform::makeScale(scale, scale));
}

}  // namespace

std::shared_ptr<AddConversationViewController> AddConversationViewController::sharedScreen() {
    return std::static_pointer_cast<AddConversationViewController>(sharedController());
}

// ----- Lifecycle

void AddConversationViewController::viewDidLoad() {
    TitledViewController::viewDidLoad();
    if (auto config = Config::loadConfig(); config && startConversationButton)
        startConversationButton->setBackgroundColor(uiColor(config->primaryColor));
    auto navigation = navigationController();
    if (!navigation) return;
    const auto& stack = navigation->viewControllers();
    // The last screen of this class in the stack decides.
    for (std::size_t i = 0; i < stack.size(); ++i) {
        if (std::dynamic_pointer_cast<AddConversationViewController>(stack[i])) indexToRemove = static_cast<int>(i);
    }
}

void AddConversationViewController::viewWillAppear(bool) { setupNavigationAppearance(); }

void AddConversationViewController::setupNavigationAppearance() {
    // The chat pushed next shows a back control without a title.
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(false, true);
}

// ----- The form

int AddConversationViewController::numberOfSections(UITableView&) { return 1; }

int AddConversationViewController::numberOfRowsInSection(UITableView&, int) { return 1; }

std::shared_ptr<UITableViewCell> AddConversationViewController::cellForRowAt(UITableView& table,
                                                                          const IndexPath& indexPath) {
    auto cell = indexPath.row == 0
                    ? dequeueReusableCell<AddConversationIssueCell>(table, indexPath)
                    : dequeueReusableCell<AddConversationIssueCell>(table, indexPath, std::string(otherCellIdentifier));
    if (cell->txtVwParentView && cell->txtVwParentView->textView)
        cell->txtVwParentView->textView->setDelegate(sharedScreen());
    return cell;
}

std::optional<CGFloat> AddConversationViewController::heightForRowAt(UITableView&, const IndexPath&) {
    return UITableView::automaticDimension;
}

std::optional<CGFloat> AddConversationViewController::estimatedHeightForRowAt(UITableView&, const IndexPath&) {
    return UITableView::automaticDimension;
}

void AddConversationViewController::textViewDidBeginEditing(const std::shared_ptr<UITextView>& view) {
    scaleHint(view, 0);
}

void AddConversationViewController::textViewDidEndEditing(const std::shared_ptr<UITextView>& view) {
    if (view && view->text().empty()) scaleHint(view, 1);
}

void AddConversationViewController::textViewDidChange(const std::shared_ptr<UITextView>& view) {
    if (!view) return;
    params[descriptionKey] = view->text();
    if (!tableView) return;
    // The row grows with the text in place: no animation, and the table does not jump.
    const CGPoint offset = tableView->contentOffset();
    UIView::setAnimationsEnabled(false);
    tableView->beginUpdates();
    tableView->endUpdates();
    UIView::setAnimationsEnabled(true);
    tableView->setContentOffset(offset, false);
}

bool AddConversationViewController::textViewShouldChangeTextInRange(const std::shared_ptr<UITextView>& view, NSRange,
                                                                    const std::string& replacement) {
    if (replacement != "\n") return true;
    if (view) view->resignFirstResponder();
    reportProblem();
    return false;
}

// ----- Sending

bool AddConversationViewController::hasDescription() const {
    // Typed and then deleted again leaves an empty text, which describes nothing.
    auto found = params.find(descriptionKey);
    return found != params.end() && !found->second.empty();
}

void AddConversationViewController::btnSendMessagePressed() {
    if (requestInProgress) return;
    if (!hasDescription()) {
        showAlert(sharedScreen(), "Error", missingDescriptionMessage);
        return;
    }
    reportProblem();
}

void AddConversationViewController::reportProblem() {
    // A second send while the first is outstanding would open a second conversation.
    if (requestInProgress || !hasDescription()) return;
    if (auto token = UserDefaults::standard().string(StoredKeys::endUserToken)) params[tokenKey] = *token;
    requestInProgress = true;
    ConversationService::shared().createConversation(
        params, mainQueueCompletion(sharedScreen(), &AddConversationViewController::conversationCreated));
}

void AddConversationViewController::conversationCreated(std::optional<ConversationModel> created,
                                                        std::optional<ServiceError> error) {
    requestInProgress = false;
    if (!created) {
        showAlert(sharedScreen(), "Error", error ? error->customDescription : creationFailedMessage);
        return;
    }
    conversation = std::move(created);
    joinChat();
}

void AddConversationViewController::joinChat() {
    if (!conversation) return;
    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    chat->conversation = conversation;
    chat->firstChatMessage = conversation->description;
    // Always queued: the stack changes after the completion has returned.
    deferToNextTurn([self = sharedScreen(), chat] {
        if (auto navigation = self->navigationController()) navigation->pushViewController(chat, true);
        auto navigation = self->navigationController();
        if (!navigation) return;
        auto stack = navigation->viewControllers();
        const auto index = static_cast<std::size_t>(self->indexToRemove);
        // Only this screen leaves: a position that no longer holds it (the stack changed since
        // loading) must not take the opener's screen with it.
        if (self->indexToRemove < 0 || index >= stack.size() || stack[index] != self) return;
        stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(index));
        navigation->setViewControllers(std::move(stack), false);
    });
}

}  // namespace velmaro
