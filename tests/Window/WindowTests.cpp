// The demo in a real window on a virtual display, driven by real X input (xdotool).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <sstream>

#include "CoreSimulator/SupportDesk.h"
#include "Demo/DemoHost.h"
#include "Demo/HostHomeViewController.h"
#include "Demo/DemoWindow.h"
#include "Dispatch/DispatchQueue.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/Date.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/PictureComparison.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "UIKitWindow/GlassWindow.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/Helpers/KeyboardHelper.h"
#include "support/Platform/GoldenPicture.h"
#include "Window/VirtualDisplay.h"

namespace {

using namespace std::chrono_literals;
using Outcome = GlassWindow::Outcome;

template <class Screen>
std::shared_ptr<Screen> top(const DemoHost& host) {
    return std::dynamic_pointer_cast<Screen>(host.topScreen());
}

// A display of its own at a size where the phone's window fits at one pixel a point, so that
// what it shows can be held against the 1x goldens.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = std::make_unique<VirtualDisplay>(800, 760);
        display->addKey("ediaeresis");
        setenv("DISPLAY", display->name().c_str(), 1);
        RunLoop::makeMain(std::make_shared<SystemClock>());
        // The pictures show the tour's moment in UTC, whatever the machine's settings.
        Date::pinWallClock(Date{1772446500});
        Locale::setCurrent(Locale("en_US_POSIX"));
        TimeZone::setCurrent(TimeZone::utc());
        UserDefaults::standard().remove("extuserName");
    }
    void TearDown() override { Date::pinWallClock(std::nullopt); }

    void open(const DemoHost& host) {
        glass = std::make_unique<GlassWindow>(host.window(), GlassWindow::Options{DemoWindow::title, 1});
        ASSERT_EQ(glass->runUntil([&] { return glass->framesPresented() > 0; }, 5), Outcome::done);
        ASSERT_NE(glass->nativeId(), 0u);
        glass->onTab = [&host] { return DemoWindow::tapNextArrow(host.window()); };
    }

    // Runs xdotool while the window keeps running, until it is done and `until` holds.
    ::testing::AssertionResult xdo(const std::string& arguments, const std::function<bool()>& until) {
        auto job = std::async(std::launch::async, [arguments] {
            int status = std::system(("xdotool " + arguments).c_str());
            DispatchQueue::main().async([] {});  // wakes the window to look again
            return status;
        });
        auto outcome = glass->runUntil([&] { return job.wait_for(0s) == std::future_status::ready && until(); }, 10);
        int status = job.get();
        if (status != 0) return ::testing::AssertionFailure() << "xdotool " << arguments << " failed";
        if (outcome != Outcome::done) return ::testing::AssertionFailure() << "nothing came of xdotool " << arguments;
        return ::testing::AssertionSuccess();
    }
    std::string click(const UIView& view) const {
        CGPoint point = view.convertPointTo(view.bounds().center(), nullptr);
        return mouseTo(point) + " click 1";
    }
    std::string mouseTo(CGPoint point) const {
        std::ostringstream line;
        line << "mousemove --sync --window " << glass->nativeId() << " " << int(point.x * glass->scale()) << " "
             << int(point.y * glass->scale());
        return line.str();
    }
    // Lets the push or presentation end its animation with the window running.
    void settle() { glass->runUntil([] { return false; }, UIViewController::transitionDuration + 0.1); }
    // The host in the window, with the keyboard helper on; "Help & support" clicked opens the
    // user form, answered once its push has ended (null when the click did not open it).
    std::shared_ptr<velmaro::UserAccessViewController> openTheUserForm(DemoHost& host) {
        velmaro::KeyboardHelper::shared()->enable = true;
        open(host);
        if (!xdo(click(*host.home()->helpButton()), [&] { return top<velmaro::UserAccessViewController>(host) != nullptr; }))
            return nullptr;
        settle();
        return top<velmaro::UserAccessViewController>(host);
    }

    std::unique_ptr<VirtualDisplay> display;
    std::unique_ptr<GlassWindow> glass;
};

TEST_F(WindowTest, ClicksAndTypingSignInAndTheWindowShowsTheGoldenPicture) {
    DemoHost host({.userNameRequired = true});
    auto access = openTheUserForm(host);
    ASSERT_TRUE(access);
    auto first = access->fldFirstName.get(), last = access->fldLastName.get();
    auto email = access->fldUsernameForTesting().get();
    ASSERT_TRUE(xdo(click(*first), [&] { return first->isFirstResponder(); }));
    // Text input carries what is not ASCII; backspace takes one character back.
    ASSERT_TRUE(xdo("type --delay 20 'Zoëx'", [&] { return first->text() == "Zoëx"; })) << *first->text();
    ASSERT_TRUE(xdo("key BackSpace", [&] { return first->text() == "Zoë"; }));
    // Tab is the toolbar's next arrow.
    ASSERT_TRUE(xdo("key Tab", [&] { return last->isFirstResponder(); }));
    ASSERT_TRUE(xdo("type --delay 20 'Roe'", [&] { return last->text() == "Roe"; }));
    ASSERT_TRUE(xdo(click(*email), [&] { return email->isFirstResponder(); }));
    ASSERT_TRUE(xdo("type --delay 10 'zoe.roe@acme.example'", [&] { return email->text() == "zoe.roe@acme.example"; }));
    // Return on the e-mail field confirms; the start screen's panel then rises by itself.
    ASSERT_TRUE(xdo("key Return", [&] {
        auto start = top<velmaro::StartViewController>(host);
        return start && start->areNotificationsVisible;
    }));
    // The start screen is on top as soon as the form's dismissal begins; the form leaves the glass
    // when its transition ends, which may be after the panel has risen.
    settle();
    EXPECT_NE(host.usersLine().find("Zoë Roe"), std::string::npos) << host.usersLine();

    glass->present();
    ASSERT_TRUE(glass->isUpToDate());
    Picture shown = display->capture(glass->nativeId());
    EXPECT_TRUE(GoldenPicture::matches(shown, "window-signed-in"));
    // Pixel for pixel what the renderer draws, nothing lost on the way to the screen.
    auto difference = PictureComparison::compare(PictureRenderer::render(host.window(), 1), shown);
    EXPECT_TRUE(difference.sameSize);
    EXPECT_EQ(difference.largestDeltaE, 0);
}

TEST_F(WindowTest, TheKeyboardsOwnBarMovesTheFocusAndEndsTheEditing) {
    DemoHost host({.userNameRequired = true});
    auto access = openTheUserForm(host);
    ASSERT_TRUE(access);
    auto first = access->fldFirstName.get(), last = access->fldLastName.get();
    ASSERT_TRUE(xdo(click(*first), [&] { return first->isFirstResponder(); }));

    // The bar's items where the window shows them: each has ink of its own on the bar.
    glass->present();
    const Picture shown = display->capture(glass->nativeId());
    auto place = [&](auto is) -> std::optional<CGRect> {
        for (const auto& item : PictureRenderer::keyboardBarItems(host.window()))
            if (is(*item.item)) return item.frame;
        return std::nullopt;
    };
    auto nextArrow = place([](const UIBarButtonItem& item) { return item.image() && item.image()->name() == "rightArrow"; });
    auto done = place([](const UIBarButtonItem& item) { return item.systemItem() == UIBarButtonItem::SystemItem::done; });
    ASSERT_TRUE(nextArrow && done);
    for (CGRect frame : {*nextArrow, *done}) {
        const auto bar = shown.pixel(int(frame.minX()) - 6, int(frame.minY()) + 2);
        int ink = 0;
        for (int y = int(frame.minY()); y < int(frame.maxY()); ++y)
            for (int x = int(frame.minX()); x < int(frame.maxX()); ++x) ink += shown.pixel(x, y) != bar;
        EXPECT_GT(ink, 20) << frame.description();
    }

    auto clickAt = [&](CGRect frame) { return mouseTo(frame.center()) + " click 1"; };
    ASSERT_TRUE(xdo(clickAt(*nextArrow), [&] { return last->isFirstResponder(); }));
    ASSERT_TRUE(xdo("type --delay 20 'Roe'", [&] { return last->text() == "Roe"; }));
    EXPECT_EQ(first->text().value_or(""), "");
    ASSERT_TRUE(xdo(clickAt(*done), [&] { return !host.window()->keyboardFrame(); }));
    glass->present();
    const Picture after = display->capture(glass->nativeId());
    // The keyboard and its bar are gone from the glass: the screen shows where they were.
    EXPECT_NE(after.pixel(int(done->midX()), int(done->midY())), shown.pixel(int(done->midX()), int(done->midY())));
    auto difference = PictureComparison::compare(PictureRenderer::render(host.window(), 1), after);
    EXPECT_TRUE(difference.sameSize);
    EXPECT_EQ(difference.largestDeltaE, 0);
    EXPECT_EQ(last->text(), "Roe");
}

TEST_F(WindowTest, TheWheelAndADragScrollTheConversationList) {
    DemoHost host({.userParameters = StringDictionary{{"userName", "sam@acme.example"}}});
    for (int i = 0; i < 12; ++i) {
        velmaro::ConversationModel conversation;
        conversation.id = "extra-" + std::to_string(i);
        conversation.subject = conversation.description = "Question number " + std::to_string(i);
        conversation.status = "OPEN";
        host.embeddedDesk()->seedConversation(conversation);
    }
    auto& loop = RunLoop::main();
    ASSERT_TRUE(UIEventGenerator::tap(host.home()->helpButton()));
    ASSERT_TRUE(host.settle(velmaro::isA<velmaro::StartViewController>));
    auto start = top<velmaro::StartViewController>(host);
    loop.runUntil([&] { return start->areNotificationsVisible; }, 5);
    loop.runFor(0.3);
    if (start->areNotificationsVisible) UIEventGenerator::tap(start->dismissButton.get());
    loop.runFor(0.3);
    for (const auto& view : start->view()->subviews()) {
        auto button = std::dynamic_pointer_cast<UIButton>(view);
        if (button && button->title(UIControlStateNormal) == "My conversations") UIEventGenerator::tap(button);
    }
    ASSERT_TRUE(host.settle(velmaro::isA<velmaro::ConversationListViewController>));
    auto list = top<velmaro::ConversationListViewController>(host);
    auto table = list->tableView.get();
    ASSERT_TRUE(loop.runUntil([&] { return !list->requestInProgress && table->numberOfRows(0) > 10; }, 5));
    open(host);

    CGPoint middle = table->convertPointTo(table->bounds().center(), nullptr);
    ASSERT_TRUE(xdo(mouseTo(middle) + " click --repeat 3 5", [&] { return table->contentOffset().y >= 120; }));
    const CGFloat wheeled = table->contentOffset().y;
    ASSERT_TRUE(glass->present() || glass->isUpToDate());
    // The finger pulls the content down: back towards the first rows.
    CGPoint lower{middle.x, middle.y + 60};
    ASSERT_TRUE(xdo("mousedown 1 " + mouseTo(lower) + " mouseup 1",
                    [&] { return table->contentOffset().y < wheeled - 50; }))
        << "from " << wheeled << " to " << table->contentOffset().y;
    // A drag is no tap: no row was opened.
    EXPECT_TRUE(top<velmaro::ConversationListViewController>(host));
}

// The program itself, as a person starts it.
class DemoProgramTest : public ::testing::Test {
protected:
    void SetUp() override { display = std::make_unique<VirtualDisplay>(800, 760); }

    // Starts velmaro-demo with these arguments on the display, its output read line by line.
    void start(const std::string& arguments) {
        std::string line = "DISPLAY=" + display->name() + " " + VELMARO_DEMO_PROGRAM + " " + arguments + " 2>&1";
        program = popen(line.c_str(), "r");
        ASSERT_NE(program, nullptr);
    }
    // Reads the program's output until a line holds `text`; false at its end.
    bool readUntil(const std::string& text) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, program)) {
            output += buffer;
            if (std::string(buffer).find(text) != std::string::npos) return true;
        }
        return false;
    }
    // Reads the rest and answers the exit status (-1 when the program did not exit by itself).
    int finish() {
        readUntil("\x01never\x01");
        int status = pclose(program);
        program = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::uint64_t windowId() {
        std::string line = "DISPLAY=" + display->name() + " timeout 10 xdotool search --sync --onlyvisible --name '" +
                           DemoWindow::title + "'";
        FILE* search = popen(line.c_str(), "r");
        char buffer[64] = {};
        std::uint64_t id = 0;
        if (std::fgets(buffer, sizeof buffer, search)) id = std::strtoull(buffer, nullptr, 10);
        pclose(search);
        return id;
    }

    std::unique_ptr<VirtualDisplay> display;
    FILE* program = nullptr;
    std::string output;
};

TEST_F(DemoProgramTest, TheTourPlaysInAWindowToItsEnd) {
    start("--window --pace 0 --no-snapshots");
    EXPECT_EQ(finish(), 0) << output;
    EXPECT_NE(output.find("End of the tour."), std::string::npos) << output;
}

TEST_F(DemoProgramTest, ClosingTheWindowWhileARequestIsOutEndsTheProgramWithStatusZero) {
    start("--window --interactive --user sam@acme.example");
    ASSERT_TRUE(readUntil("now on: host home")) << output;
    auto window = windowId();
    ASSERT_NE(window, 0u);
    // "Help & support" starts the layer, which registers the user with the desk (answered after
    // a fifth of a second); the window closes while that is out.
    std::string click = "DISPLAY=" + display->name() + " xdotool mousemove --sync --window " + std::to_string(window) +
                        " 187 420 click 1";
    ASSERT_EQ(std::system(click.c_str()), 0);
    display->requestClose(window);
    EXPECT_EQ(finish(), 0) << output;
    EXPECT_NE(output.find("The window was closed."), std::string::npos) << output;
    EXPECT_EQ(output.find("now on: start"), std::string::npos) << "the request was answered before the close";
}

}  // namespace
