#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UITableView.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/Helpers/Protocols.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// The home screen of the support screens: the "Contact agent" button, settings, and a panel of
// the conversations with unseen activity. The panel is invisible until a load finds some, then
// collapsed near the bottom with their count, or expanded by one row per conversation (by
// itself for one to three). A tapped row opens its chat, which reports back once the
// conversation is seen. Completions reach it on the main queue only, and every change of the
// panel runs there in the order it was queued.
class StartViewController : public TitledViewController,
                            public StoryboardIdentifiable,
                            public ChatVisibilityDelegate,
                            public UITableViewDataSource,
                            public UITableViewDelegate {
public:
    static constexpr const char* storyboardIdentifier = "StartViewController";
    static constexpr CGFloat rowHeight = 60;
    static constexpr CGFloat tableOffset = 40;
    static constexpr CGFloat collapsedInsetTranslucent = 174;
    static constexpr CGFloat collapsedInsetOpaque = 110;
    static constexpr std::size_t largestAutomaticExpansion = 3;
    static constexpr double panelAnimationDuration = 0.2;
    static constexpr double greetingDuration = 0.3;
    static constexpr CGFloat greetingDamping = 2.0;
    static constexpr CGFloat greetingVelocity = 3.0;

    Outlet<UIView> vWSmileyContainer;
    Outlet<UIImageView> smiley;
    Outlet<UILabel> smileyLabel;
    Outlet<UIImageView> vwSmile;
    Outlet<UIButton> btnReportIssue;
    Outlet<UIButton> settingsButton;
    Outlet<UIView> vwUnreadNotifications;
    Outlet<NSLayoutConstraint> notificationsViewTopConstraint;
    Outlet<NSLayoutConstraint> tableViewTopConstraint;
    Outlet<UITableView> tableView;
    Outlet<UIButton> btnToggleNotificationsTable;
    Outlet<UIButton> btnToggleDirection;
    Outlet<UIButton> btnNotificationCount;
    Outlet<UIButton> dismissButton;

    bool requestInProgress = false;
    bool areNotificationsVisible = false;
    // Conversations with unseen activity as last delivered, minus those reported seen since.
    std::vector<ConversationModel> conversations;
    // The collapsed position of the panel's top, measured once after loading.
    double notificationsViewOriginY = 0;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void didReceiveMemoryWarning() override;

    void getConversations();
    void displayInitialNotificationsView();
    void animateNotificationView();
    void showNotificationsView();
    void hideNotificationsView();
    void toggleNotificationsVisibility(const std::shared_ptr<UIButton>& sender);
    void showConversationDetails(const IndexPath& indexPath);
    void backToHost(const std::shared_ptr<UIBarButtonItem>& sender);
    void setupNavigationAppearance();

    // ChatVisibilityDelegate: called on the main thread. An identifier not listed is ignored.
    void chatSeen(const std::string& conversationID) override;

    int numberOfRowsInSection(UITableView& table, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::optional<CGFloat> heightForRowAt(UITableView& table, const IndexPath& indexPath) override;
    void didSelectRowAt(UITableView& table, const IndexPath& indexPath) override;

private:
    void layoutOptionalViews();
    void conversationsLoaded(std::optional<std::vector<ConversationModel>> loaded, std::optional<ServiceError> error);
    void expandAutomatically();
    void keepExpanded();
    // The panel's expanded look; the panel's position is the caller's.
    void showExpandedControls();
    void setPanelScale(CGFloat scale);
    void showCount();
    std::shared_ptr<StartViewController> sharedStart();
};

}  // namespace velmaro
