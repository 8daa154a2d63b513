#include "Velmaro/Controllers/UserAccess/StartViewController.h"

#include <algorithm>

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/VelmaroApplication.h"
#include "Velmaro/View/ConversationListTableViewCell.h"

namespace velmaro {

namespace {

std::shared_ptr<UIImage> bundleImage(const std::string& name) { return UIImage::named(name, velmaroBundle()); }

}  // namespace

std::shared_ptr<StartViewController> StartViewController::sharedStart() {
    return std::static_pointer_cast<StartViewController>(sharedController());
}

// ----- Lifecycle

void StartViewController::viewDidLoad() {
    TitledViewController::viewDidLoad();
    if (auto config = Config::loadConfig()) {
        if (smiley) smiley->setBackgroundColor(uiColor(config->primaryColor));
        if (smileyLabel) smileyLabel->setBackgroundColor(uiColor(config->primaryColor));
        if (btnToggleNotificationsTable) btnToggleNotificationsTable->setBackgroundColor(uiColor(config->primaryColor));
        if (settingsButton) settingsButton->setTintColor(uiColor(config->primaryColor));
    }
    // Once the screen is in its navigation controller, whose bar decides where the panel rests.
    deferToNextTurn([self = sharedStart()] { self->layoutOptionalViews(); });
    setupNavigationAppearance();
}

void StartViewController::layoutOptionalViews() {
    auto navigation = navigationController();
    // Without a navigation controller nothing overlaps the screen's top: placed as under an
    // opaque bar.
    const bool translucent = navigation && navigation->navigationBar()->isTranslucent();
    const CGFloat top = height(*view()) - (translucent ? collapsedInsetTranslucent : collapsedInsetOpaque);
    if (notificationsViewTopConstraint) notificationsViewTopConstraint->setConstant(top);
    notificationsViewOriginY = top;
    // The greeting waits for viewDidAppear to scale it in; a screen shown without animation may
    // have appeared already, and must not lose it.
    const bool greetingPending = appearanceState() != AppearanceState::appeared;
    UIView::animate(panelAnimationDuration, [self = sharedStart(), greetingPending] {
        if (greetingPending && self->vWSmileyContainer)
            self->vWSmileyContainer->setTransform(CGAffineTransform::makeScale(0, 0));
        self->setPanelScale(0);
        self->view()->layoutIfNeeded();
    });
}

void StartViewController::viewWillAppear(bool) { getConversations(); }

void StartViewController::viewDidAppear(bool) {
    UIView::animate(
        greetingDuration, 0, greetingDamping, greetingVelocity, UIViewAnimationOptionAllowAnimatedContent,
        [self = sharedStart()] {
            if (self->vWSmileyContainer) {
                self->vWSmileyContainer->setTransform(CGAffineTransform::identity());
                if (self->smiley) self->smiley->layer()->setCornerRadius(width(*self->vWSmileyContainer.get()) / 2);
            }
            if (self->vwSmile) self->vwSmile->layer()->setCornerRadius(width(*self->vwSmile.get()) / 2);
            if (self->btnReportIssue) self->btnReportIssue->layer()->setCornerRadius(width(*self->btnReportIssue.get()) / 2);
        },
        nullptr);
}

void StartViewController::didReceiveMemoryWarning() { TitledViewController::didReceiveMemoryWarning(); }

void StartViewController::setupNavigationAppearance() {
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(false, true);
    // A screen pushed over this one shows a back control without text.
    navigationItem().setBackBarButtonItem(
        std::make_shared<UIBarButtonItem>(std::optional<std::string>(""), UIBarButtonItem::Style::plain));
}

// ----- Loading

void StartViewController::getConversations() {
    if (requestInProgress) return;
    requestInProgress = true;
    ConversationService::shared().getAllConversations(
        StringDictionary{{"onlyUnseen", "true"}},
        mainQueueCompletion(sharedStart(), &StartViewController::conversationsLoaded));
}

void StartViewController::conversationsLoaded(std::optional<std::vector<ConversationModel>> loaded,
                                              std::optional<ServiceError> error) {
    requestInProgress = false;
    if (!loaded) {
        showAlert(sharedStart(), "Error", error ? error->customDescription : std::string());
        return;
    }
    conversations = std::move(*loaded);
    if (conversations.empty()) {
        // The panel keeps its look, but its rows and count must not outlive the conversations.
        deferToNextTurn([self = sharedStart()] {
            self->showCount();
            if (self->tableView) self->tableView->reloadData();
        });
        return;
    }
    displayInitialNotificationsView();
}

void StartViewController::showCount() {
    if (btnNotificationCount) btnNotificationCount->setTitle(std::to_string(conversations.size()), UIControlStateNormal);
}

void StartViewController::setPanelScale(CGFloat scale) {
    const auto transform = CGAffineTransform::makeScale(scale, scale);
    if (vwUnreadNotifications) vwUnreadNotifications->setTransform(transform);
    if (btnToggleNotificationsTable) btnToggleNotificationsTable->setTransform(transform);
}

// ----- The panel

void StartViewController::displayInitialNotificationsView() {
    deferToNextTurn([self = sharedStart()] {
        self->showCount();
        if (self->tableViewTopConstraint) self->tableViewTopConstraint->setConstant(tableOffset);
        if (self->tableView) self->tableView->reloadData();
        UIView::animate(panelAnimationDuration, [self] {
            self->setPanelScale(1);
            self->view()->layoutIfNeeded();
        });
    });
    if (conversations.size() > largestAutomaticExpansion) return;
    // Queued after the task above, so it runs after it.
    if (!areNotificationsVisible) {
        animateNotificationView();
    } else {
        deferToNextTurn([self = sharedStart()] { self->keepExpanded(); });
    }
}

void StartViewController::animateNotificationView() {
    deferToNextTurn([self = sharedStart()] { self->expandAutomatically(); });
}

void StartViewController::expandAutomatically() {
    areNotificationsVisible = true;
    if (btnReportIssue) btnReportIssue->setEnabled(false);
    if (dismissButton) dismissButton->setHidden(false);
    if (notificationsViewTopConstraint)
        notificationsViewTopConstraint->setConstant(notificationsViewTopConstraint->constant() -
                                                    rowHeight * static_cast<CGFloat>(conversations.size()));
    showExpandedControls();
}

// A load while the panel is already expanded: raised for the new count from its resting place,
// never on top of the earlier raise.
void StartViewController::keepExpanded() {
    if (!areNotificationsVisible) return;
    if (notificationsViewTopConstraint)
        notificationsViewTopConstraint->setConstant(
            std::max<CGFloat>(0, notificationsViewOriginY - rowHeight * static_cast<CGFloat>(conversations.size())));
    showExpandedControls();
}

void StartViewController::showExpandedControls() {
    if (btnToggleDirection) btnToggleDirection->setImage(bundleImage("downArrow"), UIControlStateNormal);
    UIView::animate(panelAnimationDuration, [self = sharedStart()] {
        if (self->btnReportIssue) {
            self->btnReportIssue->setTitle(std::string(), UIControlStateNormal);
            self->btnReportIssue->setBackgroundColor(VelmaroColors::VelmaroDarkGray());
        }
        if (self->btnToggleNotificationsTable)
            self->btnToggleNotificationsTable->setTitle("Hide notifications", UIControlStateNormal);
        if (self->btnNotificationCount) self->btnNotificationCount->setAlpha(0);
        self->view()->layoutIfNeeded();
    });
}

void StartViewController::toggleNotificationsVisibility(const std::shared_ptr<UIButton>&) {
    if (btnReportIssue) btnReportIssue->setEnabled(!btnReportIssue->isEnabled());
    if (areNotificationsVisible) {
        hideNotificationsView();
    } else {
        showNotificationsView();
    }
    areNotificationsVisible = !areNotificationsVisible;
}

void StartViewController::showNotificationsView() {
    if (notificationsViewTopConstraint) {
        // Never above the top of the screen.
        const CGFloat raised =
            notificationsViewTopConstraint->constant() - rowHeight * static_cast<CGFloat>(conversations.size());
        notificationsViewTopConstraint->setConstant(std::max<CGFloat>(0, raised));
    }
    if (dismissButton) dismissButton->setHidden(false);
    if (tableViewTopConstraint) tableViewTopConstraint->setConstant(tableOffset);
    UIView::animate(panelAnimationDuration, [self = sharedStart()] {
        if (self->btnToggleDirection) self->btnToggleDirection->setImage(bundleImage("downArrow"), UIControlStateNormal);
        if (self->btnReportIssue) {
            self->btnReportIssue->setBackgroundColor(VelmaroColors::VelmaroDarkGray());
            self->btnReportIssue->setTitle(std::string(), UIControlStateNormal);
        }
        if (self->btnToggleNotificationsTable)
            self->btnToggleNotificationsTable->setTitle("Hide notifications", UIControlStateNormal);
        if (self->btnNotificationCount) self->btnNotificationCount->setAlpha(0);
        self->view()->layoutIfNeeded();
    });
}

void StartViewController::hideNotificationsView() {
    if (notificationsViewTopConstraint) notificationsViewTopConstraint->setConstant(notificationsViewOriginY);
    if (dismissButton) dismissButton->setHidden(true);
    if (tableViewTopConstraint) tableViewTopConstraint->setConstant(0);
    UIView::animate(panelAnimationDuration, [self = sharedStart()] {
        if (self->btnToggleDirection) self->btnToggleDirection->setImage(bundleImage("upArrow"), UIControlStateNormal);
        if (self->btnReportIssue) {
            self->btnReportIssue->setBackgroundColor(UIColor::clear());
            self->btnReportIssue->setTitle("Contact agent", UIControlStateNormal);
        }
        if (self->btnToggleNotificationsTable)
            self->btnToggleNotificationsTable->setTitle("Show notifications", UIControlStateNormal);
        if (self->btnNotificationCount) self->btnNotificationCount->setAlpha(1);
        self->view()->layoutIfNeeded();
    });
}

// ----- Rows and the chat

int StartViewController::numberOfRowsInSection(UITableView&, int) { return static_cast<int>(conversations.size()); }

std::shared_ptr<UITableViewCell> StartViewController::cellForRowAt(UITableView&, const IndexPath& indexPath) {
    auto own = tableView.get();
    auto cell = dequeueReusableCell<ConversationListTableViewCell>(*own, indexPath);
    // A row the table still has from before a change of `conversations` stays empty until the
    // reload that change queued.
    if (static_cast<std::size_t>(indexPath.row) < conversations.size())
        cell->setupCell(conversations[static_cast<std::size_t>(indexPath.row)]);
    return cell;
}

std::optional<CGFloat> StartViewController::heightForRowAt(UITableView&, const IndexPath&) { return rowHeight; }

void StartViewController::didSelectRowAt(UITableView&, const IndexPath& indexPath) {
    showConversationDetails(indexPath);
}

void StartViewController::showConversationDetails(const IndexPath& indexPath) {
    // The row may be one the table has not yet dropped.
    if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= conversations.size()) return;
    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    chat->chatDelegate = std::static_pointer_cast<ChatVisibilityDelegate>(sharedStart());
    chat->conversation = conversations[static_cast<std::size_t>(indexPath.row)];
    if (auto navigation = navigationController()) navigation->pushViewController(chat, true);
}

void StartViewController::chatSeen(const std::string& conversationID) {
    auto seen = std::find_if(conversations.begin(), conversations.end(),
                             [&](const ConversationModel& conversation) { return conversation.id == conversationID; });
    // A second report for the same conversation, or one the panel never listed.
    if (seen == conversations.end()) return;
    conversations.erase(seen);
    deferToNextTurn([self = sharedStart()] {
        self->showCount();
        if (self->tableView) self->tableView->reloadData();
        if (self->conversations.empty()) {
            if (self->dismissButton) self->dismissButton->setHidden(true);
            UIView::animate(panelAnimationDuration, [self] { self->setPanelScale(0); });
            // A panel that has shrunk to nothing never ends expanded: that would leave "Contact
            // agent" disabled and untitled with nothing on the glass to collapse.
            if (!self->areNotificationsVisible) return;
        }
        // An expanded panel collapses; a collapsed one expands.
        self->toggleNotificationsVisibility(UIView::make<UIButton>());
    });
}

// ----- Leaving

void StartViewController::backToHost(const std::shared_ptr<UIBarButtonItem>&) {
    auto navigation = navigationController();
    if (navigation) {
        navigation->navigationItem().setHidesBackButton(true, true);
        navigation->setNavigationBarHidden(true, true);
    }
    VelmaroApplication::utilizePrimaryColor(appPrimaryColor());
    if (!navigation) return;
    // The root of its own navigation controller leaves with the whole presentation.
    if (!navigation->popViewController(true)) navigation->dismiss(true);
}

}  // namespace velmaro
