// The host's own test of its integration: it starts the support screens as the app does and acts
// as a user through the testing kit (UIEventGenerator to act, GlassReader to read the glass).

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CoreSimulator/SupportDesk.h"
#include "Dispatch/Clock.h"
#include "Dispatch/RunLoop.h"
#include "HostApp.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"

using namespace velmaro;

namespace {

class HostAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The desk answers on its own thread; the real clock lets the test wait for it.
        RunLoop::makeMain(std::make_shared<SystemClock>());
        app = HostApp::launch(/*latency=*/0.0);
    }

    // The screen on top once it is there and its transition has finished; nothing after 5 s.
    template <class Screen>
    std::shared_ptr<Screen> waitForTop() {
        auto top = [this] {
            return std::dynamic_pointer_cast<Screen>(VelmaroApplication::topViewController(app.window->rootViewController()));
        };
        if (!RunLoop::main().runUntil([&] { return top() != nullptr; }, 5.0)) return nullptr;
        RunLoop::main().runFor(UIViewController::transitionDuration + 0.1);
        return top();
    }

    HostApp app;
};

TEST_F(HostAppTest, HelpOpensTheStartScreenWhoseContactAgentOpensANewConversation) {
    app.openSupport();
    auto start = waitForTop<StartViewController>();
    ASSERT_NE(start, nullptr) << GlassReader::text(app.window);

    const std::string glass = GlassReader::text(app.window);
    EXPECT_NE(glass.find("The Shop support"), std::string::npos) << "the tenant's header: " << glass;
    EXPECT_NE(glass.find("Contact agent"), std::string::npos) << glass;
    EXPECT_EQ(GlassReader::visibleAlert(app.window), nullptr);
    // The layer registered the end user with the core the app installed.
    ASSERT_EQ(app.desk->users().size(), 1u);
    EXPECT_EQ(app.desk->users().front().firstName, "Ann");

    // A person presses it: the screen that opens a new conversation comes up over the start screen.
    ASSERT_TRUE(UIEventGenerator::tap(start->btnReportIssue.get())) << glass;
    auto addConversation = waitForTop<AddConversationViewController>();
    ASSERT_NE(addConversation, nullptr) << GlassReader::text(app.window);
    EXPECT_EQ(GlassReader::visibleAlert(app.window), nullptr) << GlassReader::text(app.window);
}

}  // namespace
