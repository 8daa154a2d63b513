#pragma once

#include <memory>
#include <vector>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UITableView.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/Storyboard/StoryboardIdentifiable.h"

namespace velmaro {

// The home screen of the support screens: the "Contact agent" button, settings, and a panel of
// the conversations with unseen activity.
class StartViewController : public TitledViewController, public StoryboardIdentifiable {
public:
    static constexpr const char* storyboardIdentifier = "StartViewController";

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
    std::vector<ConversationModel> conversations;
    double notificationsViewOriginY = 0;
};

}  // namespace velmaro
