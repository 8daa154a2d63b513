#include <gtest/gtest.h>

#include <sstream>

#include "Demo/DemoConsole.h"
#include "Demo/DemoHost.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/GlassRenderer.h"
#include "support/Platform/MainLoopTest.h"

namespace {

class DemoConsoleTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        DemoHost::Options options;
        options.userNameRequired = true;
        host = std::make_unique<DemoHost>(options);
    }
    void TearDown() override {
        host.reset();
        MainLoopTest::TearDown();
    }
    // The session's whole output.
    std::string session(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream out;
        DemoConsole(*host, in, out).run();
        return out.str();
    }
    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
        return n;
    }

    std::unique_ptr<DemoHost> host;
};

TEST_F(DemoConsoleTest, AScriptedSessionSignsInOpensAChatAndSendsAMessage) {
    const std::string output = session(
        "tap \"Help & support\"\n"
        "tap \"e-mail\"\n"  // any case
        "type \"sam@acme.example\"\n"
        "return\n"
        "wait 0.5\n"
        "tap \"Hide notifications\"\n"
        "tap \"Contact agent\"\n"
        "tap \"Describe your problem\"\n"
        "type \"The kettle leaks\"\n"
        "tap \"Start conversation\"\n"
        "wait 0.3\n"
        "tap \"Type a message\"\n"
        "type \"Is it \\\"under warranty\\\"?\"\n"
        "tap \"Send\"\n"
        "agent \"Yes, it is.\"\n"
        "glass\n");  // and the end of input, without quit
    EXPECT_EQ(count(output, "error:"), 0u) << output;
    EXPECT_EQ(count(output, "velmaro> "), 17u);  // one prompt per line, and the one the end of input met
    const std::string glass = GlassRenderer::render(host->window());
    EXPECT_NE(glass.find("Label \"The kettle leaks\""), std::string::npos) << glass;
    EXPECT_NE(glass.find("Label \"Is it \\\"under warranty\\\"?\""), std::string::npos) << glass;
    EXPECT_NE(glass.find("Label \"Yes, it is.\""), std::string::npos) << glass;
    EXPECT_EQ(output.substr(output.rfind("velmaro> ")), "velmaro> \n");
}

TEST_F(DemoConsoleTest, ABadLinePrintsOneErrorLineAndThePromptStays) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"colour", "error: unknown command \"colour\" (type help for the list)"},
        {"tap \"Nowhere\"", "error: nothing on the screen shows \"Nowhere\""},
        {"tap \"Help", "error: tap: the quote is not closed"},
        {"tap \"Help\" now", "error: tap: unexpected text after the closing quote"},
        {"tap", "error: tap needs a text, e.g. tap \"...\""},
        {"type \"hello\"", "error: nothing is being edited: tap a field first"},
        {"return", "error: nothing is being edited: tap a field first"},
        {"return now", "error: return takes nothing after it"},
        {"back", "error: there is no way back from this screen"},
        {"wait soon", "error: wait needs a number of seconds from 0 to 600"},
        {"wait -1", "error: wait needs a number of seconds from 0 to 600"},
        {"wait 1e9", "error: wait needs a number of seconds from 0 to 600"},
        {"agent \"hi\"", "error: no chat is open: the agent writes in the chat on the screen"},
        {"push parcel", "error: the support layer has not started: tap \"Help & support\" first"},
    };
    for (const auto& bad : cases) {
        const std::string output = session(std::string(bad.line) + "\nglass\n");
        EXPECT_EQ(output.find(std::string("velmaro> ") + bad.error + "\nvelmaro> NavigationBar \"Acme Shop\""), 0u)
            << bad.line << "\n" << output;
    }
    const std::string afterStart = session("tap \"Help & support\"\npush nothing\nquit\nglass\n");
    // quit ends the session before the glass.
    const std::string ending = "error: the desk has no conversation \"nothing\"\nvelmaro> ";
    EXPECT_EQ(afterStart.substr(afterStart.size() - std::min(afterStart.size(), ending.size())), ending);
}

TEST_F(DemoConsoleTest, APushOpensTheConversationsChatAndBackLeadsToTheList) {
    const std::string output = session("tap \"Help & support\"\npush slot\nwait 0.3\nback\n");
    EXPECT_NE(output.find("now on: chat\n"), std::string::npos) << output;
    EXPECT_NE(output.find("now on: conversation list\n"), std::string::npos) << output;
}

}  // namespace
