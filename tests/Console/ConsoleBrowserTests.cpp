#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Browser/DeskOnLoopback.h"
#include "support/Browser/WebDriver.h"
#include "support/Platform/ScratchFolder.h"

namespace velmaro::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

const std::string kEnter = "\ue007", kShift = "\ue008", kReleaseKeys = "\ue000";

// One desk and one browser for the suite (starting Chromium is the slow part); each test signs
// in afresh and signs out at its end.
class ConsoleBrowserTest : public ::testing::Test {
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
        if (auto why = WebDriver::unavailable()) GTEST_SKIP() << "no browser to drive: " << *why;
        browser().go(desk().url() + "/console");
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
        return WebDriver::waitUntil([&] { return page(expression, args) == true; });
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

    static inline ScratchFolder* folder_ = nullptr;
    static inline DeskOnLoopback* desk_ = nullptr;
    static inline WebDriver* browser_ = nullptr;
};

const char* const kRowOf =
    "(() => { const row = document.querySelector(`#list .row[data-id=\"${arguments[0]}\"]`);"
    " return row && { name: row.querySelector('.name').textContent, subject: row.querySelector('.subject').textContent,"
    " last: row.querySelector('.last').textContent, unseen: (row.querySelector('.unseen') || {}).textContent || '' }; })()";

// The agent's whole road with one customer: a new conversation appears live, the reply (two
// lines) reaches the customer, the customer's reading shows as seen, closing brings the
// customer the rating, and the score comes back to the agent.
TEST_F(ConsoleBrowserTest, AnAgentAnswersACustomerLive) {
    auto kim = customerOverHttp(desk().url(), "Kim", "Novak"), ana = customerOverHttp(desk().url(), "Ana", "Silva");
    const std::string kimId = kim->startConversation("Where is my parcel?");
    ana->startConversation("The invoice shows the wrong address");
    signIn();
    ASSERT_TRUE(waitForPage("document.getElementById('live-state').textContent === 'Live'"));
    auto sam = customerOverHttp(desk().url(), "Sam", "Lee");
    const std::string id = sam->startConversation("My kettle leaks\nsince Monday");
    const std::string rowNames = "[...document.querySelectorAll('#list .row')].sort((a, b) => parseInt(a.style.top) - "
                                 "parseInt(b.style.top)).map(r => r.querySelector('.name').textContent)";

    ASSERT_TRUE(waitForPage(kRowOf + std::string(" !== null && ") + kRowOf + ".name === 'Sam Lee'", {id}))
        << "the new conversation appears without a reload";
    EXPECT_EQ(page(kRowOf, {id}), (json{{"name", "Sam Lee"}, {"subject", "#3 My kettle leaks"},
                                        {"last", "My kettle leaks\nsince Monday"}, {"unseen", "1"}}));
    EXPECT_EQ(page(rowNames), (json{"Sam Lee", "Ana Silva", "Kim Novak"})) << "newest activity first";
    kim->say(kimId, "Still nothing today.");
    ASSERT_TRUE(waitForPage(rowNames + "[0] === 'Kim Novak'")) << "a new message moves its conversation up";
    EXPECT_EQ(page(rowNames), (json{"Kim Novak", "Sam Lee", "Ana Silva"}));
    saveScreenshot("console-list.png");

    browser().click(browser().find("#list .row[data-id='" + id + "']"));
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 2"));
    EXPECT_EQ(shownMessages(), (json{"Conversation started", "My kettle leaks\nsince Monday"}));
    ASSERT_TRUE(waitForPage(kRowOf + std::string(".unseen === ''"), {id})) << "opening it marks it seen";

    sam->say(id, "Hello?");
    ASSERT_TRUE(waitForPage("document.querySelectorAll('#messages .message').length === 3"))
        << "the customer's message arrives live";

    const auto reply = browser().find("#reply");
    browser().type(reply, "Which model is it?" + kShift + kEnter + kReleaseKeys + "The label is underneath." + kEnter);
    const std::string answer = "Which model is it?\nThe label is underneath.";
    auto lastShown = [&] {
        auto shown = sam->shown(id);
        return shown.empty() ? std::string() : shown.back();
    };
    ASSERT_TRUE(WebDriver::waitUntil([&] { return lastShown() == answer; }))
        << "Enter sends, Shift+Enter breaks the line";
    EXPECT_EQ(page("document.getElementById('reply').value"), "");
    ASSERT_TRUE(waitForPage("[...document.querySelectorAll('#messages .outbound .meta')].pop().textContent.endsWith('Sent')"));
    sam->readChat(id);
    ASSERT_TRUE(waitForPage("[...document.querySelectorAll('#messages .outbound .meta')].pop().textContent.endsWith('Seen')"))
        << "the customer's reading shows";
    saveScreenshot("console-conversation.png");

    browser().click(browser().find("#close-conversation"));
    ASSERT_TRUE(WebDriver::waitUntil([&] { return sam->ratingOffered(id); }));
    EXPECT_EQ(lastShown(), "Conversation closed");
    EXPECT_TRUE(waitForPage("document.getElementById('reply').disabled"));
    sam->rate(id, "VERY_SATISFIED");
    EXPECT_TRUE(waitForPage("document.getElementById('conversation-rating').textContent === 'Rating: Very satisfied'"))
        << page("document.getElementById('conversation-rating').textContent");
    EXPECT_EQ(page("document.getElementById('closed-count').textContent"), "1");
    EXPECT_EQ(page(rowNames), (json{"Kim Novak", "Ana Silva"})) << "the closed one is apart";
    browser().click(browser().find("#sign-out"));
}

// What a customer writes is text: markup shows as its characters, in the list and the chat,
// and runs nothing.
TEST_F(ConsoleBrowserTest, MarkupFromACustomerStaysText) {
    signIn();
    ASSERT_TRUE(waitForPage("document.getElementById('live-state').textContent === 'Live'"));
    auto eve = customerOverHttp(desk().url(), "<b>Eve</b>", "");
    const std::string markup = "<img src=x onerror=alert(1)>";
    const std::string id = eve->startConversation(markup);
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
