#include <gtest/gtest.h>

#include <thread>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIStoryboard.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Helpers/Storyboard.h"
#include "Velmaro/Helpers/VelmaroBundle.h"
#include "Velmaro/Storyboard/VelmaroStoryboard.h"
#include "Velmaro/View/ConversationListTableViewCell.h"
#include "support/Velmaro/SupportUITest.h"

using namespace velmaro;
using Thread = RecordingCore::Thread;

namespace {

ConversationModel withStatus(std::string id, std::string status) {
    ConversationModel conversation;
    conversation.id = id;
    conversation.description = "about " + id;
    conversation.dateTime = "2017-03-14T09:26:53.589+0100";
    conversation.status = std::move(status);
    return conversation;
}

class ConversationListTest : public SupportUITest {
protected:
    void SetUp() override {
        SupportUITest::SetUp();
        setUpVelmaroBundle();
    }

    std::shared_ptr<ConversationListViewController> open() {
        return pushScene<ConversationListViewController>(nullptr, true);
    }
    void deliver(std::vector<ConversationModel> conversations) {
        ASSERT_TRUE(core().deliver("getAllConversations", std::move(conversations), std::nullopt, Thread::background));
        drain();
    }
    // The descriptions of the rows on the glass, top to bottom.
    static std::vector<std::string> shown(const ConversationListViewController& list) {
        std::vector<std::string> rows;
        auto table = list.tableView.get();
        table->layoutIfNeeded();
        for (const auto& indexPath : table->indexPathsForVisibleRows()) {
            auto cell = std::dynamic_pointer_cast<ConversationListTableViewCell>(table->cellForRow(indexPath));
            rows.push_back(cell ? cell->lblConversationName->text().value_or("") : "?");
        }
        return rows;
    }
    // A cover pushed and popped: the list appears again.
    void reappear() {
        hostNavigation()->pushViewController(std::make_shared<UIViewController>(), false);
        hostNavigation()->popViewController(false);
        drain();
    }
};

TEST_F(ConversationListTest, OnlyExactStatusesAreShownInTheOrderDeliveredAndSegmentsAskNothing) {
    auto list = open();
    ASSERT_EQ(core().callCount("getAllConversations"), 1u);
    EXPECT_TRUE(core().lastCall("getAllConversations")->arguments.at("parameters").isNull());
    EXPECT_TRUE(shown(*list).empty());
    deliver({withStatus("b", "OPEN"), withStatus("x", "CLOSED"), withStatus("e", ""), withStatus("l", "open"),
             withStatus("a", "OPEN"), withStatus("y", "CLOSED")});
    EXPECT_FALSE(list->requestInProgress);
    EXPECT_EQ(shown(*list), (std::vector<std::string>{"about b", "about a"}));

    ASSERT_TRUE(UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 1));
    EXPECT_EQ(list->selectedSegment, 1);
    EXPECT_EQ(shown(*list), (std::vector<std::string>{"about x", "about y"}));
    ASSERT_TRUE(UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 0));
    EXPECT_EQ(shown(*list), (std::vector<std::string>{"about b", "about a"}));
    EXPECT_EQ(core().callCount("getAllConversations"), 1u);

    // The closed segment stays chosen through the next load.
    UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 1);
    reappear();
    deliver({withStatus("z", "CLOSED"), withStatus("c", "OPEN")});
    EXPECT_EQ(shown(*list), std::vector<std::string>{"about z"});

    // An empty answer empties both halves.
    reappear();
    deliver({});
    EXPECT_TRUE(shown(*list).empty());
    UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 0);
    EXPECT_TRUE(shown(*list).empty());
}

TEST_F(ConversationListTest, RequestsDoNotOverlapWhetherFromAppearingOrFromTheNotification) {
    auto list = open();
    reappear();
    std::thread poster([] { NotificationCenter::defaultCenter().post(ConversationListViewController::newMessageNotification); });
    poster.join();
    drain();
    EXPECT_EQ(core().callCount("getAllConversations"), 1u);
    EXPECT_TRUE(list->requestInProgress);

    deliver({withStatus("a", "OPEN")});
    std::thread later([] { NotificationCenter::defaultCenter().post(ConversationListViewController::newMessageNotification); });
    later.join();
    EXPECT_EQ(core().callCount("getAllConversations"), 1u);  // only once the main queue runs
    drain();
    EXPECT_EQ(core().callCount("getAllConversations"), 2u);
    deliver({withStatus("a", "OPEN"), withStatus("b", "OPEN")});
    EXPECT_EQ(shown(*list).size(), 2u);
}

TEST_F(ConversationListTest, AFailedLoadKeepsTheRowsAndAlertsOnce) {
    auto list = open();
    deliver({withStatus("a", "OPEN")});
    reappear();
    ASSERT_TRUE(core().deliverError("getAllConversations", "desk unreachable", Thread::background));
    settle();
    auto alert = GlassReader::visibleAlert(window());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "desk unreachable");
    EXPECT_FALSE(list->requestInProgress);
    EXPECT_EQ(shown(*list), std::vector<std::string>{"about a"});
    UIEventGenerator::pressAlertAction(window(), "Dismiss");
    settle();
    EXPECT_FALSE(GlassReader::visibleAlert(window()));
}

TEST_F(ConversationListTest, ATappedRowOpensItsOwnConversationInTheChat) {
    auto list = open();
    auto second = withStatus("b", "OPEN");
    second.agentName = "Alex";
    second.unseenActivityCount = 2;
    deliver({withStatus("a", "OPEN"), second});
    ASSERT_TRUE(UIEventGenerator::selectRow(list->tableView.get(), IndexPath::forRow(1, 0)));
    settle();
    auto chat = topScreen<ChatViewController>();
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->conversation, second);
    EXPECT_TRUE(chat->chatDelegate.expired());
    EXPECT_EQ(core().lastCall("getConversation")->arguments.at("conversationId").string(), "b");
}

TEST_F(ConversationListTest, TheBarComesBackAndTheSectionEndsInAnEmptyFooter) {
    hostInNavigation();
    hostNavigation()->setNavigationBarHidden(true, false);
    auto list = instantiateVC<ConversationListViewController>(*loadStoryboard(Storyboard::Velmaro));
    hostNavigation()->pushViewController(list, true);
    settle();
    EXPECT_FALSE(hostNavigation()->isNavigationBarHidden());
    EXPECT_EQ(list->navigationItem().backBarButtonItem()->title(), "");
    deliver({withStatus("a", "OPEN")});
    auto footer = list->tableView->footerView(0);
    ASSERT_TRUE(footer);
    EXPECT_TRUE(footer->subviews().empty());
}

TEST_F(ConversationListTest, AClosedListIsDestroyedOnceItsLoadHasAnsweredAndHearsNothingAfterwards) {
    std::weak_ptr<ConversationListViewController> weak;
    {
        auto list = open();
        weak = list;
    }
    hostNavigation()->popViewController(false);
    settle();
    EXPECT_FALSE(weak.expired());  // the request still out holds it
    deliver({withStatus("a", "OPEN")});
    EXPECT_TRUE(weak.expired());
    NotificationCenter::defaultCenter().post(ConversationListViewController::newMessageNotification);
    drain();
    EXPECT_EQ(core().callCount("getAllConversations"), 1u);
}

}  // namespace
