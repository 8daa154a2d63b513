#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "UIKit/UIButton.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITableView.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// The end user's conversations, open or closed as the segmented control chooses, as the core
// delivered them. Loads on every appearance and on "ReceivedNewVelmaroMessage"; a tapped row
// opens its chat. Completions and the notification reach it on the main queue only.
class ConversationListViewController : public TitledViewController,
                                       public StoryboardIdentifiable,
                                       public UITableViewDataSource,
                                       public UITableViewDelegate {
public:
    static constexpr const char* storyboardIdentifier = "ConversationListViewController";
    static constexpr const char* newMessageNotification = "ReceivedNewVelmaroMessage";

    Outlet<UITableView> tableView;
    Outlet<UISegmentedControl> conversationTypeSegmentedControl;
    Outlet<UIButton> newConversationButton;
    Outlet<UIButton> settingsButton;

    // What the table shows: a copy of `open` or of `closed` once a load has finished.
    std::vector<ConversationModel> conversations;
    std::vector<ConversationModel> open;
    std::vector<ConversationModel> closed;
    // 0: open conversations; anything else: closed ones.
    int selectedSegment = 0;
    bool requestInProgress = false;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void didReceiveMemoryWarning() override;

    // Starts a load unless one is outstanding.
    void getConversations();
    void conversationsChanged(const std::shared_ptr<UISegmentedControl>& sender);
    void showConversationDetails(const IndexPath& indexPath);
    void setupNavigationAppearance();

    int numberOfRowsInSection(UITableView& table, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::shared_ptr<UIView> viewForFooterInSection(UITableView& table, int section) override;
    void didSelectRowAt(UITableView& table, const IndexPath& indexPath) override;

private:
    void conversationsLoaded(std::optional<std::vector<ConversationModel>> loaded, std::optional<ServiceError> error);
    std::shared_ptr<ConversationListViewController> sharedList();
};

}  // namespace velmaro
