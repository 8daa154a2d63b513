#include <gtest/gtest.h>

#include "UIKit/CALayer.h"
#include "UIKit/CAShapeLayer.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIAnimationRecorder.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Helpers/Extensions.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "UIKit/UIAlertController.h"
#include "UIKitTesting/GlassReader.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Velmaro/ChatScreenTest.h"

using namespace velmaro;

namespace {

std::vector<SatisfactionScoreModel> scores(int count) {
    std::vector<SatisfactionScoreModel> list;
    for (int i = 0; i < count; ++i) list.push_back({"score-" + std::to_string(i)});
    return list;
}

class ChatRatingTest : public ChatScreenTest {
protected:
    // A loaded chat taller than its table whose rating panel is up, with `count` scores loaded.
    std::shared_ptr<ChatViewController> chatWithPanel(int count = 5) {
        auto chat = open(tallConversation());
        load(tallConversation());
        core().deliver("getSatisfactionScores", scores(count), std::nullopt, Thread::background);
        drain();
        UIEventGenerator::tap(chat->btnEndChat.get());
        advance(ChatViewController::ratingDelay);
        return chat;
    }
    static std::string stars(const ChatViewController& chat) {
        std::string painted;
        for (const auto& star : chat.ratingButtons) {
            auto image = star->image(UIControlStateNormal);
            painted += image && image->name() == "christmasStarFilled" ? '*' : '.';
        }
        return painted;
    }
    bool panelShown(const ChatViewController& chat) const {
        return chat.starRatingView->superview() == chat.viewIfLoaded();
    }
};

struct StarCase {
    int star;
    int scoresLoaded;
    const char* painted;
    std::optional<std::string> sent;
};

class ChatStarTest : public ChatRatingTest, public ::testing::WithParamInterface<StarCase> {};

TEST_P(ChatStarTest, ATapFillsTheStarsUpToItAndSendsTheScoreAtItsPosition) {
    auto chat = chatWithPanel(GetParam().scoresLoaded);
    UIEventGenerator::tap(chat->ratingButtons.at(static_cast<std::size_t>(GetParam().star)));
    EXPECT_EQ(chat->lblRatingViewTitle->text(), "Thank you for rating");  // before the core answers
    drain();
    advance(0.2);
    EXPECT_EQ(stars(*chat), GetParam().painted);
    if (GetParam().sent) {
        ASSERT_EQ(core().callCount("sendConversationScore"), 1u);
        EXPECT_EQ(core().lastCall("sendConversationScore")->arguments.at("scoreId").string(), GetParam().sent);
        EXPECT_EQ(core().lastCall("sendConversationScore")->arguments.at("conversationId").string(), "c-1");
    } else {
        EXPECT_EQ(core().callCount("sendConversationScore"), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Stars, ChatStarTest,
                         ::testing::Values(StarCase{2, 5, "***..", "score-2"}, StarCase{0, 5, "*....", "score-0"},
                                           StarCase{4, 5, "*****", "score-4"},
                                           StarCase{3, 2, "****.", std::nullopt}));  // no score there

TEST_F(ChatRatingTest, EndingTheChatPopsThePanelInOverTheTableAfterADelay) {
    auto chat = open();
    load();
    EXPECT_EQ(chat->btnSend->tintColor(), acmeConfig().primaryColor);
    EXPECT_EQ(chat->ratingButtons.size(), 5u);
    EXPECT_EQ(chat->ratingButtons[4]->tintColor(), acmeConfig().primaryColor);
    EXPECT_EQ(chat->starRatingView->layer()->borderColor(), acmeConfig().primaryColor);
    UIEventGenerator::tap(chat->btnEndChat.get());
    advance(0.05);
    EXPECT_FALSE(panelShown(*chat));
    UIAnimationRecorder::reset();
    advance(0.06);
    ASSERT_TRUE(panelShown(*chat));
    EXPECT_EQ(chat->starRatingView->center(), chat->tableView->center());
    EXPECT_EQ(chat->starRatingView->backgroundColor(), UIColor(1, 1, 1, 1));
    EXPECT_TRUE(chat->starRatingView->transform().isIdentity());
    ASSERT_TRUE(UIAnimationRecorder::last());
    EXPECT_EQ(UIAnimationRecorder::last()->duration, 0.4);
}

TEST_F(ChatRatingTest, AScoreLeavesTheChatOnceEvenWhenItFailsOrTheUserTappedTwice) {
    // The chat opened from a list: [host, list, chat].
    auto chatOverList = [this] {
        auto chat = chatWithPanel();
        auto stack = hostNavigation()->viewControllers();
        stack.insert(stack.begin() + 1, std::make_shared<UIViewController>());
        hostNavigation()->setViewControllers(stack, false);
        return chat;
    };
    auto chat = chatOverList();
    UIEventGenerator::tap(chat->ratingButtons[1]);
    UIEventGenerator::tap(chat->ratingButtons[3]);
    EXPECT_EQ(core().callCount("sendConversationScore"), 2u);
    core().deliverError("sendConversationScore", "score refused", Thread::background);
    settle();
    ASSERT_EQ(hostNavigation()->viewControllers().size(), 2u);  // the chat left
    core().deliver("sendConversationScore", acmeConversation(), std::nullopt, Thread::background);
    settle();
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 2u);  // the list stays

    // The user went back before the answer: the list stays too.
    auto again = chatOverList();
    UIEventGenerator::tap(again->ratingButtons[0]);
    hostNavigation()->popViewController(false);
    core().deliver("sendConversationScore", acmeConversation(), std::nullopt, Thread::background);
    settle();
    EXPECT_EQ(hostNavigation()->viewControllers().size(), 2u);
}

TEST_F(ChatRatingTest, ThePanelFadesOutOnADragTypingOrDismissAndAShowDuringTheFadeStays) {
    auto chat = chatWithPanel();
    UIAnimationRecorder::reset();
    UIEventGenerator::tap(chat->btnDismissRating.get());
    ASSERT_TRUE(UIAnimationRecorder::last());
    EXPECT_EQ(UIAnimationRecorder::last()->duration, 0.3);
    EXPECT_EQ(chat->starRatingView->backgroundColor(), UIColor(1, 1, 1, 0));
    advance(0.3);
    EXPECT_FALSE(panelShown(*chat));

    UIEventGenerator::tap(chat->btnEndChat.get());
    advance(ChatViewController::ratingDelay);
    UIEventGenerator::scroll(chat->tableView.get(), -100);
    advance(0.1);
    UIEventGenerator::tap(chat->btnEndChat.get());  // shown again before the fade has ended
    advance(1.0);
    EXPECT_TRUE(panelShown(*chat));

    core().emitConnected();
    drain();
    UIEventGenerator::beginEditing(chat->fldMessage.get());
    advance(0.3);
    EXPECT_FALSE(panelShown(*chat));
}

// The agent's goodbye arrives while the user is about to tap a star, or reads the details: the
// table scrolls itself to it, and the panel stays until the user drags the table.
TEST_F(ChatRatingTest, ANewMessageScrollsTheTableButLeavesThePanelsUp) {
    auto chat = chatWithPanel();
    for (bool rating : {true, false}) {
        SCOPED_TRACE(rating ? "rating" : "details");
        UIEventGenerator::scroll(chat->tableView.get(), -100);
        advance(1.0);
        if (rating) {
            UIEventGenerator::tap(chat->btnEndChat.get());
            advance(ChatViewController::ratingDelay);
        } else {
            UIEventGenerator::tap(chat->btnDetails.get());
        }
        const CGFloat before = chat->tableView->contentOffset().y;
        core().emitMessage(RecordingCore::messageEvent("RECEIVED_MESSAGE_RESPONSE", "AGENT", "Thanks, goodbye",
                                                       rating ? 98 : 99));
        drain();
        advance(1.0);
        EXPECT_GT(chat->tableView->contentOffset().y, before);
        EXPECT_EQ(panelShown(*chat), rating);
        EXPECT_EQ(chat->detailsShown, !rating);
        UIEventGenerator::scroll(chat->tableView.get(), -50);
        advance(0.3);
        EXPECT_FALSE(chat->detailsShown);
        EXPECT_FALSE(panelShown(*chat));
    }
}

TEST_F(ChatRatingTest, EndingTheChatClosesTheDetailsFirstAndAFailedScoreListAlerts) {
    auto chat = open();
    load();
    core().deliverError("getSatisfactionScores", "no scores today", Thread::background);
    settle();
    ASSERT_TRUE(GlassReader::visibleAlert(window()));
    EXPECT_EQ(GlassReader::visibleAlert(window())->title(), "Error");
    EXPECT_EQ(GlassReader::visibleAlert(window())->message(), "no scores today");
    UIEventGenerator::pressAlertAction(window(), "Dismiss");
    settle();

    UIEventGenerator::tap(chat->btnDetails.get());
    ASSERT_TRUE(chat->detailsShown);
    UIEventGenerator::tap(chat->btnEndChat.get());
    advance(ChatViewController::ratingDelay + 0.3);
    EXPECT_FALSE(chat->detailsShown);
    EXPECT_EQ(chat->vwConversationDetails->frame().minY(), -300);
    EXPECT_EQ(chat->btnDetails->image(UIControlStateNormal)->name(), "downArrow");
    EXPECT_TRUE(panelShown(*chat));
}

// ----- Layout and details

class ChatLayoutTest : public ChatScreenTest {};

TEST_F(ChatLayoutTest, TheDetailsPanelDropsBelowTheBarAndADragOrEditingClosesIt) {
    for (bool translucent : {true, false}) {
        SCOPED_TRACE(translucent ? "translucent" : "opaque");
        auto chat = open(tallConversation());
        hostNavigation()->navigationBar()->setTranslucent(translucent);
        load(tallConversation());
        EXPECT_EQ(chat->vwConversationDetails->frame(), (CGRect{0, -300, 375, 300}));
        UIEventGenerator::tap(chat->btnDetails.get());
        EXPECT_TRUE(chat->detailsShown);
        EXPECT_EQ(chat->vwConversationDetails->frame().minY(), translucent ? 64 : 0);
        EXPECT_EQ(chat->btnDetails->image(UIControlStateNormal)->name(), "upArrow");
        EXPECT_EQ(chat->lblConversationTitle->text(), "Conversation 42");
        UIEventGenerator::scroll(chat->tableView.get(), -30);
        EXPECT_FALSE(chat->detailsShown);
        EXPECT_EQ(chat->vwConversationDetails->frame().minY(), -300);
        EXPECT_EQ(chat->btnDetails->image(UIControlStateNormal)->name(), "downArrow");
        UIEventGenerator::tap(chat->btnDetails.get());
        EXPECT_TRUE(chat->detailsShown);
        core().emitConnected();
        drain();
        UIEventGenerator::beginEditing(chat->fldMessage.get());
        EXPECT_FALSE(chat->detailsShown);
    }
}

TEST_F(ChatLayoutTest, DetailsShowTheDateInTheDevicesZoneOrNowWhenItCannotBeRead) {
    TimeZone::setCurrent(*TimeZone::named("Europe/Berlin"));
    auto conversation = acmeConversation();
    conversation.dateTime = "2017-03-14T08:26:53.120+0000";
    conversation.subject = "Parcel";
    auto chat = open(conversation);
    load(conversation);
    chat->showDetails();
    EXPECT_EQ(chat->lblDate->text(), "14/03/17, 09:26");
    EXPECT_EQ(chat->lblConversationSubject->text(), "Parcel");
    EXPECT_EQ(chat->lblStatus->text(), "OPEN");
    EXPECT_TRUE(chat->lblAgent->isHidden());  // no agent yet
    EXPECT_TRUE(chat->lblAgentDescriptor->isHidden());

    conversation.dateTime = "yesterday";
    conversation.agentName = "Alex";
    chat->conversation = conversation;
    chat->showDetails();
    EXPECT_EQ(chat->lblDate->text(), conversationListFormat().stringFromDate(Date::now()));
    EXPECT_EQ(chat->lblAgent->text(), "Alex");
    EXPECT_FALSE(chat->lblAgentDescriptor->isHidden());
}

TEST_F(ChatLayoutTest, TheHeaderShowsTheAgentOnceOneAnswersElseTheCompany) {
    auto chat = open();
    load();
    EXPECT_EQ(chat->titleLabel->text(), "Acme support");
    auto answered = acmeConversation();
    answered.agentName = "Alex";
    chat->viewWillAppear(false);
    load(answered);
    EXPECT_EQ(chat->titleLabel->text(), "Alex");
    ASSERT_TRUE(chat->titleAvatar->image());
    EXPECT_EQ(chat->titleAvatar->image()->name(), "AGENT");

    // With a photo, the photo replaces the stand-in face.
    LoopbackHTTPServer server;
    server.respond("/alex-header.png", pngOfColor(0, 255, 0), "image/png");
    answered.agentAvatarUrl = server.url("/alex-header.png");
    chat->viewWillAppear(false);
    load(answered);
    ASSERT_TRUE(waitFor([&] { return chat->titleAvatar->image() && !chat->titleAvatar->image()->name(); }));
    EXPECT_EQ(chat->titleAvatar->image()->pixelAt(0, 0), UIColor(0, 1, 0, 1));
    ImageCache::shared().removeAllObjects();
}

TEST_F(ChatLayoutTest, TheScreenRidesOnTheKeyboardAndTheInputBarHasCurvedTopCorners) {
    auto chat = open();
    UIEventGenerator::showKeyboard(window(), 216);
    EXPECT_EQ(chat->view()->frame().minY(), -216);
    UIEventGenerator::showKeyboard(window(), 250);  // another keyboard, while one is up
    EXPECT_EQ(chat->view()->frame().minY(), -250);
    UIEventGenerator::hideKeyboard(window(), 250);
    EXPECT_EQ(chat->view()->frame().minY(), 0);

    auto mask = std::dynamic_pointer_cast<CAShapeLayer>(chat->vwInput->layer()->mask());
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->path()->roundedCorners(), static_cast<unsigned>(UIRectCornerTopLeft | UIRectCornerTopRight));
    EXPECT_EQ(mask->path()->cornerRadii(), (CGSize{5, 5}));
    EXPECT_EQ(mask->path()->bounds(), chat->view()->bounds());
}

}  // namespace
