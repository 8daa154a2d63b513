#include <gtest/gtest.h>

#include "UIKit/CALayer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UIStoryboard.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Controllers/UserAccess/NavigationController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/VelmaroApplication.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;
using Thread = RecordingCore::Thread;

namespace {

constexpr CGFloat restingTop = 667 - 174;  // under the host's translucent bar

std::vector<ConversationModel> unseen(int count) {
    std::vector<ConversationModel> conversations;
    for (int i = 1; i <= count; ++i) {
        ConversationModel conversation;
        conversation.id = "c-" + std::to_string(i);
        conversation.description = "problem " + std::to_string(i);
        conversation.dateTime = "2017-03-14T09:26:53.589+0100";
        conversation.status = "OPEN";
        conversation.unseenActivityCount = i;
        conversations.push_back(conversation);
    }
    return conversations;
}

bool scaledAway(const UIView& view) { return view.transform() == CGAffineTransform::makeScale(0, 0); }

class StartScreenTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
    }

    // Pushed over a host screen as the facade pushes it.
    std::shared_ptr<StartViewController> open() {
        return pushScene<StartViewController>(nullptr, true);
    }
    void deliver(std::vector<ConversationModel> conversations) {
        ASSERT_TRUE(core().deliver("getAllConversations", std::move(conversations), std::nullopt, Thread::background));
        drain();
    }
    void reappear() {
        hostNavigation()->pushViewController(std::make_shared<UIViewController>(), false);
        hostNavigation()->popViewController(false);
        drain();
    }
    static std::string count(const StartViewController& start) {
        return start.btnNotificationCount->title(UIControlStateNormal).value_or("");
    }
    static std::string arrow(const StartViewController& start) {
        auto image = start.btnToggleDirection->image(UIControlStateNormal);
        return image && image->name() ? *image->name() : "";
    }
    static int rows(const StartViewController& start) { return start.tableView->numberOfRows(0); }

    // Everything the collapsed panel shows, as a person would check it.
    static void expectCollapsed(const StartViewController& start) {
        EXPECT_FALSE(start.areNotificationsVisible);
        EXPECT_EQ(start.notificationsViewTopConstraint->constant(), start.notificationsViewOriginY);
        EXPECT_EQ(start.tableViewTopConstraint->constant(), 0);
        EXPECT_EQ(arrow(start), "upArrow");
        EXPECT_EQ(start.btnToggleNotificationsTable->title(UIControlStateNormal), "Show notifications");
        EXPECT_EQ(start.btnNotificationCount->alpha(), 1);
        EXPECT_TRUE(start.btnReportIssue->isEnabled());
        EXPECT_EQ(start.btnReportIssue->title(UIControlStateNormal), "Contact agent");
        EXPECT_EQ(start.btnReportIssue->backgroundColor(), UIColor::clear());
        EXPECT_TRUE(start.dismissButton->isHidden());
    }
    static void expectExpanded(const StartViewController& start, CGFloat top) {
        EXPECT_TRUE(start.areNotificationsVisible);
        EXPECT_EQ(start.notificationsViewTopConstraint->constant(), top);
        EXPECT_EQ(start.tableViewTopConstraint->constant(), 40);
        EXPECT_EQ(arrow(start), "downArrow");
        EXPECT_EQ(start.btnToggleNotificationsTable->title(UIControlStateNormal), "Hide notifications");
        EXPECT_EQ(start.btnNotificationCount->alpha(), 0);
        EXPECT_FALSE(start.btnReportIssue->isEnabled());
        EXPECT_EQ(start.btnReportIssue->title(UIControlStateNormal), "");
        EXPECT_EQ(start.btnReportIssue->backgroundColor(), VelmaroColors::VelmaroDarkGray());
        EXPECT_FALSE(start.dismissButton->isHidden());
    }
};

TEST_F(StartScreenTest, ThePanelRestsInvisibleNearTheBottomUntilUnseenConversationsArrive) {
    auto start = open();
    ASSERT_EQ(core().callCount("getAllConversations"), 1u);
    const auto parameters = core().lastCall("getAllConversations")->arguments.at("parameters");
    ASSERT_TRUE(parameters.dictionary());
    EXPECT_EQ(*parameters.dictionary(), (AnyDictionary{{"onlyUnseen", Any("true")}}));
    EXPECT_EQ(start->notificationsViewOriginY, restingTop);
    EXPECT_EQ(start->notificationsViewTopConstraint->constant(), restingTop);
    EXPECT_TRUE(scaledAway(*start->vwUnreadNotifications.get()));
    EXPECT_TRUE(scaledAway(*start->btnToggleNotificationsTable.get()));

    deliver({});
    EXPECT_FALSE(start->requestInProgress);
    EXPECT_TRUE(scaledAway(*start->vwUnreadNotifications.get()));
    EXPECT_FALSE(start->areNotificationsVisible);
    EXPECT_EQ(rows(*start), 0);

    const UIColor red = uiColor(acmeConfig().primaryColor);
    EXPECT_EQ(start->smiley->backgroundColor(), red);
    EXPECT_EQ(start->smileyLabel->backgroundColor(), red);
    EXPECT_EQ(start->btnToggleNotificationsTable->backgroundColor(), red);
    EXPECT_EQ(start->settingsButton->tintColor(), red);
}

TEST_F(StartScreenTest, TwoUnseenConversationsShowTheCollapsedPanelThenExpandItByItself) {
    auto start = open();
    deliver(unseen(2));
    EXPECT_EQ(count(*start), "2");
    EXPECT_EQ(rows(*start), 2);
    EXPECT_TRUE(start->vwUnreadNotifications->transform().isIdentity());
    EXPECT_TRUE(start->btnToggleNotificationsTable->transform().isIdentity());
    expectExpanded(*start, restingTop - 120);
    EXPECT_EQ(start->vwUnreadNotifications->frame().minY(), restingTop - 120);
    EXPECT_EQ(start->tableView->rectForRow(IndexPath::forRow(1, 0)).height(), 60);

    // The toggle collapses it, and again expands it by the same rows.
    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    expectCollapsed(*start);
    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    expectExpanded(*start, restingTop - 120);
    // So does a tap above the expanded panel.
    ASSERT_TRUE(UIEventGenerator::tap(start->dismissButton.get()));
    expectCollapsed(*start);
}

struct ManyCase {
    int conversations;
    CGFloat expandedTop;
};

class StartScreenManyTest : public StartScreenTest, public testing::WithParamInterface<ManyCase> {};

TEST_P(StartScreenManyTest, MoreThanThreeStayCollapsedAndTheToggleNeverRaisesAboveTheTop) {
    auto start = open();
    deliver(unseen(GetParam().conversations));
    EXPECT_EQ(count(*start), std::to_string(GetParam().conversations));
    EXPECT_TRUE(start->vwUnreadNotifications->transform().isIdentity());
    EXPECT_FALSE(start->areNotificationsVisible);
    EXPECT_EQ(start->notificationsViewTopConstraint->constant(), restingTop);
    // The layout's titles until the panel has been expanded once.
    EXPECT_EQ(start->btnToggleNotificationsTable->title(UIControlStateNormal), "Show notifications");

    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    expectExpanded(*start, GetParam().expandedTop);
    // Raised to the top, the toggle is under the bar; below the panel the dismissing area is not.
    UIEventGenerator::tapAt(window(), CGPoint{187, 660});
    expectCollapsed(*start);
}

INSTANTIATE_TEST_SUITE_P(Counts, StartScreenManyTest,
                         testing::Values(ManyCase{4, restingTop - 240}, ManyCase{5, restingTop - 300},
                                         ManyCase{9, 0}));

// A load that finds one to three while the panel is already expanded raises it for the new count
// from where it rests: raises do not stack, and the look stays expanded.
TEST_F(StartScreenTest, ALoadIntoAnExpandedPanelPlacesItForTheNewCount) {
    auto start = open();
    deliver(unseen(2));
    reappear();
    deliver(unseen(3));
    EXPECT_EQ(count(*start), "3");
    EXPECT_EQ(rows(*start), 3);
    expectExpanded(*start, restingTop - 180);
    reappear();
    deliver(unseen(9));  // more than three: no expansion of its own, the panel stays where it is
    expectExpanded(*start, restingTop - 180);
    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    expectCollapsed(*start);
}

TEST_F(StartScreenTest, ARowOpensItsChatAndGoesOnceTheChatReportsItSeen) {
    auto start = open();
    deliver(unseen(2));
    ASSERT_TRUE(UIEventGenerator::selectRow(start->tableView.get(), IndexPath::forRow(1, 0)));
    settle();
    auto chat = topScreen<ChatViewController>();
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->conversation, unseen(2)[1]);
    EXPECT_EQ(chat->chatDelegate.lock(), start);

    ASSERT_TRUE(core().deliver("setConversationSeen", unseen(2)[1], std::nullopt, Thread::background));
    drain();
    EXPECT_EQ(count(*start), "1");
    EXPECT_EQ(rows(*start), 1);
    EXPECT_EQ(start->conversations.front().id, "c-1");
    expectCollapsed(*start);
    EXPECT_TRUE(start->vwUnreadNotifications->transform().isIdentity());

    // Back on the start screen, the next load refreshes the panel.
    hostNavigation()->popViewController(false);
    drain();
    EXPECT_EQ(core().callCount("getAllConversations"), 2u);
}

TEST_F(StartScreenTest, TheLastSeenConversationShrinksThePanelAway) {
    auto start = open();
    deliver(unseen(1));
    expectExpanded(*start, restingTop - 60);
    start->chatSeen("c-9");  // not listed: nothing happens
    drain();
    expectExpanded(*start, restingTop - 60);
    start->chatSeen("c-1");
    start->chatSeen("c-1");  // reported twice: one toggle
    drain();
    EXPECT_EQ(count(*start), "0");
    EXPECT_EQ(rows(*start), 0);
    EXPECT_TRUE(scaledAway(*start->vwUnreadNotifications.get()));
    EXPECT_TRUE(scaledAway(*start->btnToggleNotificationsTable.get()));
    expectCollapsed(*start);
}

// The panel's table follows every change of the list: a row it still showed after the list lost
// it would read past the end or open another conversation.
TEST_F(StartScreenTest, NoRowOutlivesItsConversation) {
    auto start = open();
    deliver(unseen(3));
    start->chatSeen("c-3");
    drain();
    EXPECT_EQ(rows(*start), 2);
    EXPECT_FALSE(UIEventGenerator::selectRow(start->tableView.get(), IndexPath::forRow(2, 0)));
    start->showConversationDetails(IndexPath::forRow(2, 0));
    drain();
    EXPECT_EQ(topScreen(), start);

    // An empty load empties the table and the count, and leaves the panel's look alone.
    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    ASSERT_TRUE(start->areNotificationsVisible);
    reappear();
    deliver({});
    EXPECT_EQ(rows(*start), 0);
    EXPECT_EQ(count(*start), "0");
    expectExpanded(*start, restingTop - 120);
    start->showConversationDetails(IndexPath::forRow(0, 0));
    settle();
    EXPECT_EQ(topScreen(), start);
}

// A seen conversation toggles the panel: rows left in a collapsed panel come up, as they would
// have for a first load of that many.
TEST_F(StartScreenTest, AConversationSeenFromACollapsedPanelRaisesTheRowsLeft) {
    auto start = open();
    deliver(unseen(5));
    ASSERT_FALSE(start->areNotificationsVisible);
    start->chatSeen("c-2");
    drain();
    EXPECT_EQ(count(*start), "4");
    expectExpanded(*start, restingTop - 240);
}

// Collapsed and emptied, the panel stays collapsed: expanding a panel that has shrunk to nothing
// would leave "Contact agent" disabled with nothing to collapse it.
TEST_F(StartScreenTest, TheLastConversationSeenFromACollapsedPanelLeavesContactAgentUsable) {
    auto start = open();
    deliver(unseen(1));
    ASSERT_TRUE(UIEventGenerator::tap(start->btnToggleNotificationsTable.get()));
    start->chatSeen("c-1");
    drain();
    EXPECT_TRUE(scaledAway(*start->vwUnreadNotifications.get()));
    expectCollapsed(*start);
}

TEST_F(StartScreenTest, AFailedLoadAlertsAndKeepsThePanel) {
    auto start = open();
    deliver(unseen(2));
    reappear();
    reappear();  // a second appearance while the request is out asks nothing more
    EXPECT_EQ(core().callCount("getAllConversations"), 2u);
    ASSERT_TRUE(core().deliverError("getAllConversations", "desk unreachable", Thread::background));
    settle();
    auto alert = GlassReader::visibleAlert(window());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "desk unreachable");
    EXPECT_FALSE(start->requestInProgress);
    EXPECT_EQ(rows(*start), 2);
    expectExpanded(*start, restingTop - 120);
}

// The first layout scales the greeting away for viewDidAppear to spring it in; a screen shown
// without animation has appeared before that layout and keeps it.
TEST_F(StartScreenTest, TheGreetingIsShownOnceTheScreenHasAppearedWithOrWithoutAnimation) {
    auto start = open();
    EXPECT_TRUE(start->vWSmileyContainer->transform().isIdentity());
    EXPECT_EQ(start->btnReportIssue->layer()->cornerRadius(), width(*start->btnReportIssue.get()) / 2);

    hostInNavigation();
    auto instant = instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
    hostNavigation()->pushViewController(instant, false);
    drain();
    EXPECT_TRUE(instant->vWSmileyContainer->transform().isIdentity());
}

TEST_F(StartScreenTest, WithoutANavigationControllerThePanelRestsAsUnderAnOpaqueBar) {
    auto host = bareHost();
    auto start = instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
    host->present(start, false);
    drain();
    EXPECT_EQ(start->notificationsViewOriginY, height(*start->view()) - 110);
}

TEST_F(StartScreenTest, LeavingPopsBackToTheHostWithItsOwnColours) {
    VelmaroApplication::utilizePrimaryColor(uiColor(acmeConfig().primaryColor));
    auto start = open();
    ASSERT_TRUE(start->navigationItem().leftBarButtonItem());
    ASSERT_TRUE(UIEventGenerator::tap(start->navigationItem().leftBarButtonItem()));
    settle();
    EXPECT_EQ(topScreen(), hostNavigation()->viewControllers().front());
    EXPECT_TRUE(hostNavigation()->isNavigationBarHidden());
    EXPECT_TRUE(hostNavigation()->navigationItem().hidesBackButton());
    EXPECT_EQ(UINavigationBar::appearance().tintColor, appPrimaryColor());
}

TEST_F(StartScreenTest, LeavingFromTheRootOfItsOwnNavigationDismissesIt) {
    auto host = bareHost();
    auto start = instantiateVC<StartViewController>(*loadStoryboard(Storyboard::Velmaro));
    auto navigation = instantiateVC<NavigationController>(*loadStoryboard(Storyboard::Velmaro));
    navigation->setViewControllers({start}, false);
    host->present(navigation, true);
    settle();
    ASSERT_EQ(topScreen(), start);
    ASSERT_TRUE(UIEventGenerator::tap(start->navigationItem().leftBarButtonItem()));
    settle();
    EXPECT_EQ(topScreen(), host);
    EXPECT_FALSE(host->presentedViewController());
}

std::shared_ptr<UIButton> buttonTitled(StartViewController& start, const std::string& title) {
    for (const auto& view : start.view()->subviews())
        if (auto button = std::dynamic_pointer_cast<UIButton>(view); button && button->title(UIControlStateNormal) == title)
            return button;
    return nullptr;
}

// Links carry no data: whatever screen the storyboard has for the link is pushed, and a link to
// a scene this build lacks does nothing.
TEST_F(StartScreenTest, EachLinkPushesTheSceneItNames) {
    const std::pair<const char*, std::string> links[] = {{"AddConversationViewController", "Contact agent"},
                                                         {"UserDetailsViewController", "Settings"},
                                                         {"ConversationListViewController", "My conversations"}};
    for (const auto& [identifier, title] : links) {
        SCOPED_TRACE(identifier);
        auto start = open();
        ASSERT_TRUE(UIEventGenerator::tap(buttonTitled(*start, title)));
        settle();
        auto expected = loadStoryboard(Storyboard::Velmaro)->instantiateViewController(identifier);
        auto top = topScreen();
        ASSERT_TRUE(expected ? top != start : top == start);
        if (expected) {
            EXPECT_EQ(typeid(*top), typeid(*expected));
        }
    }
}

}  // namespace
