#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Integration/DeskChatTest.h"
#include "NetworkCore/NetworkCore.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/Conversation/AddConversationViewController.h"
#include "Velmaro/View/AddConversationIssueCell.h"
#include "support/Browser/DeskOnLoopback.h"
#include "support/Browser/WebDriver.h"
#include "support/Platform/ScratchFolder.h"

namespace velmaro::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

const std::string kEnter = "\ue007", kShift = "\ue008", kReleaseKeys = "\ue000";
// How long the customer's screens may take to see what the desk sends, in seconds of real time:
// as long as the browser is given, for a machine busy with other tests.
constexpr double kCustomerPatience = 10.0;

// One desk and one browser for the suite (starting Chromium is the slow part); each test signs
// in afresh and signs out at its end. The customer is the layer's screens on the network core,
// pointed at the same desk; their main queue runs while the test waits on the browser.
class ConsoleBrowserTest : public DeskChatTest {
protected:
    static void SetUpTestSuite() {
        if (WebDriver::unavailable()) return;
        folder_ = new ScratchFolder("console-browser");
        desk_ = new DeskOnLoopback(VELMARO_DESK_PROGRAM, (folder_->path() / "desk").string());
        browser_ = new WebDriver(folder_->path().string());
    }
    static void TearDownTestSuite() {
        delete browser_;
        delete desk_;
        delete folder_;
        browser_ = nullptr;
        desk_ = nullptr;
        folder_ = nullptr;
    }
    void SetUp() override {
        DeskChatTest::SetUp();
        if (auto why = WebDriver::unavailable()) GTEST_SKIP() << "no browser to drive: " << *why;
        browser().go(desk().url() + "/console");
    }
    void TearDown() override {
        chat_.reset();
        installCoreLibrary(nullptr);
        network_.reset();
        DeskChatTest::TearDown();
    }

    // The customer signs in to the layer on the network core under this name.
    void customerOnScreens(const std::string& firstName, const std::string& lastName) {
        NetworkCore::Options options;
        options.deskUrl = desk().url();
        options.requestTimeout = std::chrono::milliseconds(3000);
        options.firstReconnectDelay = std::chrono::milliseconds(20);
        options.maximumReconnectDelay = std::chrono::milliseconds(200);
        installCoreLibrary(nullptr);
        network_ = std::make_shared<NetworkCore>(options);
        installCoreLibrary(network_);
        auto answered = std::make_shared<bool>(false);
        CoreService::shared().createEndUser(StringDictionary{{"firstName", firstName}, {"lastName", lastName}},
                                            [answered](auto, auto) {
                                                DispatchQueue::main().async([answered] { *answered = true; });
                                            });
        ASSERT_TRUE(runUntil([&] { return *answered; }, kCustomerPatience));
        ASSERT_TRUE(UserModel::loadUser());
    }
    // The customer describes the problem on the add screen and starts; the chat that follows is
    // kept. Answers the conversation's id.
    std::string customerStarts(const std::string& description) {
        auto add = pushScene<AddConversationViewController>();
        add->tableView->layoutIfNeeded();
        auto cell = std::dynamic_pointer_cast<AddConversationIssueCell>(add->tableView->cellForRow(IndexPath::forRow(0, 0)));
        if (!cell) return "";
        UIEventGenerator::type(cell->txtVwParentView->textView.get(), description);
        UIEventGenerator::tap(add->startConversationButton.get());
        runUntil([&] {
            chat_ = topScreen<ChatViewController>();
            return chat_ && chat_->conversation && chat_->fldMessage->isEnabled();
        }, kCustomerPatience);
        return chat_ && chat_->conversation ? chat_->conversation->id : "";
    }
    // What the customer's chat shows, top to bottom.
    std::vector<std::string> customerSees() {
        std::vector<std::string> texts;
        if (chat_)
            for (const auto& row : rowsOnGlass(*chat_))
                if (row.kind != "other") texts.push_back(row.text);
        return texts;
    }
    bool customerSeesLast(const std::string& text) {
        return runUntil([&] {
            auto rows = customerSees();
            return !rows.empty() && rows.back() == text;
        }, kCustomerPatience);
    }
    // Runs the customer's main queue a moment.
    void letTheCustomerRun() {
        waitFor([] { return false; }, 0.005);
        advance(0.25);
    }

    static WebDriver& browser() { return *browser_; }
    static DeskOnLoopback& desk() { return *desk_; }

    void signIn(const std::string& password = DeskOnLoopback::kAgentPassword) {
        browser().clear(browser().find("#email"));
        browser().type(browser().find("#email"), DeskOnLoopback::kAgentEmail);
        browser().type(browser().find("#password"), password);
        browser().click(browser().find("#sign-in-button"));
    }
    // Evaluates an expression in the page.
    json page(const std::string& expression, const json& args = json::array()) {
        return browser().script("return (" + expression + ");", args);
    }
    bool waitForPage(const std::string& expression, const json& args = json::array()) {
        return WebDriver::waitUntil([&] {
            letTheCustomerRun();
            return page(expression, args) == true;
        });
    }
    // The texts of the open conversation's messages, as the agent sees them.
    json shownMessages() {
        return page("[...document.querySelectorAll('#messages .text')].map(e => e.textContent)");
    }
    void saveScreenshot(const std::string& name) {
        const auto folder = std::filesystem::path(VELMARO_DEMO_DIR);
        std::filesystem::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary) << browser().screenshot();
    }

    std::shared_ptr<NetworkCore> network_;
    std::shared_ptr<ChatViewController> chat_;  // the customer's chat on top

    static inline ScratchFolder* folder_ = nullptr;
    static inline DeskOnLoopback* desk_ = nullptr;
    static inline WebDriver* browser_ = nullptr;
};

const char* const kRowOf =
    "(() => { const row = document.querySelector(`#list .row[data-id=\"${arguments[0]}\"]`);"
    " return row && { name: row.querySelector('.name').textContent, subject: row.querySelector('.subject').textContent,"
    " last: row.querySelector('.last').textContent, unseen: (row.querySelector('.unseen') || {}).textContent || '' }; })()";

// The agent's whole road with a customer on the layer's chat screen: the new conversation
// appears live, the reply (two lines) shows on the customer's glass, the customer's reading
// shows as seen, and once closed the customer's rating comes back to the agent.
TEST_F(ConsoleBrowserTest, AnAgentAnswersACustomerLive) {
    auto kim = customerOverHttp(desk().url(), "Kim", "Novak"), ana = customerOverHttp(desk().url(), "Ana", "Silva");
    const std::string kimId = kim->startConversation("Where is my parcel?\nOrdered on the 3rd.");
    ana->startConversation("The invoice shows the wrong address");
    customerOnScreens("Sam", "Lee");
    signIn();
    ASSERT_TRUE(waitForPage("document.getElementById('live-state').textContent === 'Live'"));
    const std::string id = customerStarts("My kettle leaks");
    ASSERT_FALSE(id.empty()) << "the customer's chat did not open";
    const std::string rowNames = "[...document.querySelectorAll('#list .row')].sort((a, b) => parseInt(a.style.top) - "
                                 "parseInt(b.style.top)).map(r => r.querySelector('.name').textContent)";

    ASSERT_TRUE(waitForPage(kRowOf + std::string(" !== null && ") + kRowOf + ".name === 'Sam Lee'", {id}))
        << "the new conversation appears without a reload";
    ASSERT_TRUE(waitForPage(kRowOf + std::string(".last === 'My kettle leaks'"), {id})) << page(kRowOf, {id}).dump();
    EXPECT_EQ(page(kRowOf, {id}), (json{{"name", "Sam Lee"}, {"subject", "#3 My kettle leaks"},
                                        {"last", "My kettle leaks"}, {"unseen", "1"}}));
    EXPECT_EQ(page(rowNames), (json{"Sam Lee", "Ana Silva", "Kim Novak"})) << "newest activity first";
    EXPECT_EQ(page(kRowOf, {kimId})["subject"], "#1 Where is my parcel?") << "the subject is the first line";
    EXPECT_EQ(page(kRowOf, {kimId})["last"], "Where is my parcel?\nOrdered on the 3rd.");
    kim->say(kimId, "Still nothing today.");
    ASSERT_TRUE(waitForPage(rowNames + "[0] === 'Kim Novak'")) << "a new message moves its conversation up";
    EXPECT_EQ(page(rowNames), (json{"Kim Novak", "Sam Lee", "Ana Silva"}));
    saveScreenshot("console-list.png");

    browser().click(browser().find("#list .row[data-id='" + id + "']"));
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 2"));
    EXPECT_EQ(shownMessages(), (json{"Conversation started", "My kettle leaks"}));
    ASSERT_TRUE(waitForPage(kRowOf + std::string(".unseen === ''"), {id})) << "opening it marks it seen";

    UIEventGenerator::type(chat_->fldMessage.get(), "Hello?");
    UIEventGenerator::tap(chat_->btnSend.get());
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 3"))
        << "the customer's message arrives live";
    EXPECT_EQ(shownMessages()[2], "Hello?");
    chat_->view()->endEditing(true);

    const auto reply = browser().find("#reply");
    browser().type(reply, "Which model is it?" + kShift + kEnter + kReleaseKeys + "The label is underneath." + kEnter);
    ASSERT_TRUE(customerSeesLast("Which model is it?\nThe label is underneath."))
        << "Enter sends, Shift+Enter breaks the line: " << ::testing::PrintToString(customerSees());
    EXPECT_EQ(customerSees(), (std::vector<std::string>{"My kettle leaks", "Hello?",
                                                        "Which model is it?\nThe label is underneath."}));
    EXPECT_EQ(page("document.getElementById('reply').value"), "");
    const std::string lastMeta = "[...document.querySelectorAll('#messages .outbound .meta')].pop().textContent";
    ASSERT_TRUE(waitForPage(lastMeta + ".endsWith('Seen')")) << "a customer in the chat has seen it: " << page(lastMeta);

    // Away from the chat, an answer waits unseen until the customer opens the chat again.
    const ConversationModel conversation = *chat_->conversation;
    close(chat_);
    browser().type(browser().find("#reply"), "Are you there?" + kEnter);
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 5"));
    ASSERT_TRUE(waitForPage(lastMeta + ".endsWith('Sent')")) << page(lastMeta);
    chat_ = open(conversation);
    ASSERT_TRUE(customerSeesLast("Are you there?")) << ::testing::PrintToString(customerSees());
    ASSERT_TRUE(waitForPage(lastMeta + ".endsWith('Seen')")) << "the customer's reading shows: " << page(lastMeta);
    saveScreenshot("console-conversation.png");

    browser().click(browser().find("#close-conversation"));
    EXPECT_TRUE(waitForPage("document.getElementById('reply').disabled"));
    UIEventGenerator::tap(chat_->btnEndChat.get());
    ASSERT_TRUE(runUntil([&] {
        return chat_->starRatingView->superview() == chat_->viewIfLoaded() && chat_->satisfactionScores.size() == 5;
    }, kCustomerPatience)) << "the rating panel with the desk's five scores";
    auto chosen = std::find_if(chat_->satisfactionScores.begin(), chat_->satisfactionScores.end(),
                               [](const auto& score) { return score.id == "VERY_SATISFIED"; });
    ASSERT_NE(chosen, chat_->satisfactionScores.end());
    UIEventGenerator::tap(chat_->ratingButtons.at(static_cast<std::size_t>(chosen - chat_->satisfactionScores.begin())));
    EXPECT_TRUE(waitForPage("document.getElementById('conversation-rating').textContent === 'Rating: Very satisfied'"))
        << page("document.getElementById('conversation-rating').textContent");
    EXPECT_TRUE(runUntil([&] { return hostNavigation()->topViewController() != chat_; }, kCustomerPatience)) << "the rated chat leaves";
    EXPECT_EQ(page("document.getElementById('closed-count').textContent"), "1");
    EXPECT_EQ(page(rowNames), (json{"Kim Novak", "Ana Silva"})) << "the closed one is apart";
    browser().click(browser().find("#sign-out"));
}

// What a customer writes is text: markup shows as its characters, in the list and the chat,
// and runs nothing.
TEST_F(ConsoleBrowserTest, MarkupFromACustomerStaysText) {
    customerOnScreens("<b>Eve</b>", "");
    signIn();
    ASSERT_TRUE(waitForPage("document.getElementById('live-state').textContent === 'Live'"));
    const std::string markup = "<img src=x onerror=alert(1)>";
    const std::string id = customerStarts(markup);
    ASSERT_FALSE(id.empty()) << "the customer's chat did not open";
    ASSERT_TRUE(waitForPage(kRowOf + std::string(" !== null && ") + kRowOf + ".last === arguments[1]", {id, markup}));
    EXPECT_EQ(page(kRowOf, {id})["name"], "<b>Eve</b>");
    browser().click(browser().find("#list .row[data-id='" + id + "']"));
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 2"));
    EXPECT_EQ(shownMessages()[1], markup);
    EXPECT_EQ(page("document.querySelectorAll('img, b').length"), 0) << "no element made from the text";
    EXPECT_FALSE(browser().alertText()) << "nothing ran";
    browser().click(browser().find("#sign-out"));
}

// A wrong password is refused with a message; signing out forgets the token, so a reload starts
// at the sign-in again and nothing was kept in the browser's storage.
TEST_F(ConsoleBrowserTest, AWrongPasswordIsRefusedAndSigningOutForgets) {
    signIn("not the password");
    ASSERT_TRUE(waitForPage("document.getElementById('sign-in-error').textContent !== ''"));
    EXPECT_EQ(page("document.getElementById('sign-in-error').textContent"), "Wrong e-mail or password.");
    EXPECT_EQ(page("document.getElementById('desk').hidden"), true);

    signIn();
    ASSERT_TRUE(waitForPage("!document.getElementById('desk').hidden"));
    browser().click(browser().find("#sign-out"));
    EXPECT_EQ(page("document.getElementById('sign-in').hidden"), false);
    EXPECT_EQ(page("localStorage.length + sessionStorage.length + document.cookie.length"), 0);
    EXPECT_TRUE(WebDriver::waitUntil([&] {
        std::istringstream log(desk().log());
        for (std::string line; std::getline(log, line);) {
            const json entry = json::parse(line, nullptr, false);
            if (entry.value("method", "") == "DELETE" && entry.value("path", "") == "/v1/agent/sessions/current")
                return entry.value("status", 0) == 200;
        }
        return false;
    })) << "the desk ends the session too";
    browser().go(desk().url() + "/console");
    EXPECT_EQ(page("document.getElementById('desk').hidden"), true);
}

}  // namespace
}  // namespace velmaro::testing
