#include "Demo/DemoTour.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "CoreSimulator/SupportDesk.h"
#include "Demo/HostHomeViewController.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/GlassRenderer.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

template <class Screen>
std::shared_ptr<Screen> topAs(const DemoHost& host) {
    return std::dynamic_pointer_cast<Screen>(host.topScreen());
}

bool isFirstScreen(const std::shared_ptr<UIViewController>& top) {
    return isA<StartViewController>(top) || isA<UserAccessViewController>(top) || isA<UIAlertController>(top);
}

// The screens of a navigation stack, bottom first.
std::string stackOf(const std::shared_ptr<UINavigationController>& navigation) {
    std::string names;
    for (const auto& screen : navigation->viewControllers()) {
        names += names.empty() ? "[" : ", ";
        names += DemoHost::screenName(screen);
    }
    return names + "]";
}

// An address no earlier run has registered with the desk.
std::string freshAddress() {
    std::random_device random;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
    return std::string("sam.") + suffix + "@acme.example";
}

}  // namespace

std::string DemoTour::htmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

bool DemoTour::check(bool condition, const std::string& failure) {
    if (!condition) {
        out_ << "!! " << failure << "\n";
        failed_ = true;
    }
    return condition;
}

void DemoTour::step(const std::string& caption) {
    caption_ = caption;
    out_ << "\n== " << ++stepNumber_ << ". " << caption << "\n";
}

void DemoTour::show(const DemoHost& host) {
    out_ << "---- glass\n" << GlassRenderer::render(host.window()) << "----\n";
    // Every step is also checked for what a person would call a broken layout.
    const auto problems = GlassReader::layoutProblems(host.window());
    out_ << "layout: " << (problems.empty() ? "no layout problems\n" : "\n" + LayoutCheck::report(problems));
    check(problems.empty(), "step " + std::to_string(stepNumber_) + " has layout problems");
    if (onStep) onStep(stepNumber_, host.window());
    if (!snapshotFolder_) return;
    char name[32];
    std::snprintf(name, sizeof name, "step-%02d.png", stepNumber_);
    try {
        PictureRenderer::writePng(host.window(), *snapshotFolder_ / name, scale_);
        pictures_.emplace_back(name, std::to_string(stepNumber_) + ". " + caption_);
    } catch (const std::exception& error) {
        check(false, error.what());
    }
}

void DemoTour::printSeenMarks(const ChatViewController& chat, const UIColor& brand) {
    out_ << "seen marks of the user's rows:";
    auto table = chat.tableView.get();
    table->layoutIfNeeded();
    for (const auto& indexPath : table->indexPathsForVisibleRows()) {
        auto cell = std::dynamic_pointer_cast<ChatClientTableViewCell>(table->cellForRow(indexPath));
        if (!cell) continue;
        const bool seen = cell->btnSeen->tintColor() == brand;
        out_ << " [\"" << cell->lblMessage->text().value_or("") << "\": " << (seen ? "seen, in the tenant's colour" : "waiting, grey")
             << "]";
    }
    out_ << "\n";
}

void DemoTour::writeIndex() {
    const auto file = *snapshotFolder_ / "index.html";
    std::ofstream html(file);
    html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>Velmaro demo tour</title>\n"
            "<style>body{font-family:sans-serif;margin:2em}figure{display:inline-block;vertical-align:top;"
            "width:390px;margin:0 1em 2em 0}img{border:1px solid #ccc}figcaption{margin-top:.5em}</style>\n"
            "</head>\n<body>\n<h1>The Acme shop app embeds the Velmaro support screens</h1>\n";
    for (const auto& [name, caption] : pictures_)
        html << "<figure><img src=\"" << htmlEscaped(name) << "\" width=\"375\" alt=\"" << htmlEscaped(caption)
             << "\"><figcaption>" << htmlEscaped(caption) << "</figcaption></figure>\n";
    html << "</body>\n</html>\n";
    html.close();
    if (check(html.good(), "cannot write " + file.string())) out_ << "\nPictures of every step: " << file.string() << "\n";
}

namespace {

// Pins what pictures would otherwise take from the machine (the clock, its locale and time zone)
// for the tour, and gives it back afterwards.
class PinnedMoment {
public:
    explicit PinnedMoment(Date moment) {
        Date::pinWallClock(moment);
        Locale::setCurrent(Locale("en_US_POSIX"));
        TimeZone::setCurrent(TimeZone::utc());
    }
    ~PinnedMoment() {
        Date::pinWallClock(std::nullopt);
        Locale::setCurrent(locale_);
        TimeZone::setCurrent(zone_);
    }
    PinnedMoment(const PinnedMoment&) = delete;
    PinnedMoment& operator=(const PinnedMoment&) = delete;

private:
    Locale locale_ = Locale::current();
    TimeZone zone_ = TimeZone::current();
};

}  // namespace

int DemoTour::runTour(const Options& options) {
    PinnedMoment pinned(options.moment);
    scale_ = options.scale;
    snapshotFolder_ = options.snapshotFolder;
    if (snapshotFolder_) {
        std::error_code error;
        std::filesystem::create_directories(*snapshotFolder_, error);
        if (!check(!error, "cannot create " + snapshotFolder_->string() + ": " + error.message()))
            snapshotFolder_.reset();
    }
    out_ << "velmaro-demo: the Acme shop app embeds the Velmaro support screens.\n";
    if (options.chaosSeed)
        out_ << "The support desk misbehaves on purpose (seed " << *options.chaosSeed
             << "): it drops the link, repeats, reorders and delays events and fails requests, so the "
                "story may stop at a step that did not show what it should.\n";
    UserDefaults::standard().remove("extuserName");
    if (options.deskUrl) {
        userAddress_ = freshAddress();
        out_ << "The support desk is the velmaro-desk at " << *options.deskUrl
             << "; the demo answers as its agent. Pictures are not compared with the goldens there: "
                "times, ids and names are the desk's.\n";
    }
    try {
        // A user name is required, so the story begins with onboarding; the tour's own user.
        auto hostOptions = options.host(true);
        hostOptions.userParameters.reset();
        DemoHost host(hostOptions);
        if (onboarding(host) && contactAgent(host) && chatting(host) && conversationList(host) &&
            profileAndLogout(host) && pushNotification(host))
            leaving(host);
        chat_.reset();
        start_.reset();
        navigation_.reset();
    } catch (const std::runtime_error& error) {
        out_ << "velmaro-demo: " << error.what() << "\n";
        return 1;
    }
    if (snapshotFolder_ && !pictures_.empty()) writeIndex();
    out_ << (failed_ ? "\nThe tour went wrong.\n" : "\nEnd of the tour.\n");
    return failed_ ? 1 : 0;
}

bool DemoTour::ownForm(DemoHost& host) {
    step("The shop's own order form uses the layer's keyboard helper: arrows and Done above the keyboard");
    auto home = host.home();
    auto order = home->orderField(), postcode = home->postcodeField();
    KeyboardHelper::shared()->enable = true;
    UIEventGenerator::type(order, "A-1042");
    auto toolbar = std::dynamic_pointer_cast<KHToolbar>(order->inputAccessoryView());
    if (!check(toolbar != nullptr, "the order field has no keyboard toolbar")) return false;
    std::shared_ptr<UIBarButtonItem> nextArrow;
    for (const auto& item : toolbar->items())
        if (item->image() && item->image()->name() == "rightArrow") nextArrow = item;
    show(host);

    step("The next arrow moves to the postcode; Done ends the editing and the form tracks the order");
    if (!check(UIEventGenerator::tap(nextArrow) && postcode->isFirstResponder(), "next did not reach the postcode"))
        return false;
    UIEventGenerator::type(postcode, "SW1A 1AA");
    auto postcodeBar = std::dynamic_pointer_cast<KHToolbar>(postcode->inputAccessoryView());
    check(postcodeBar && UIEventGenerator::tap(postcodeBar->items().back()) && !postcode->isFirstResponder(),
          "Done did not end the editing");
    check(home->trackingLabel()->text().value_or("").find("A-1042") != std::string::npos,
          "the form's Done action did not run");
    // The support screens below are shown as they come, without the host's toolbar setting.
    KeyboardHelper::shared()->enable = false;
    show(host);
    return true;
}

bool DemoTour::onboarding(DemoHost& host) {
    step("The Acme shop app on its own: its home screen, with a way to reach support");
    show(host);

    if (!ownForm(host)) return false;

    step("\"Help & support\": Acme needs to know who asks, so the user access screen comes up");
    if (!check(UIEventGenerator::tap(host.home()->helpButton()),
               "\"Help & support\" could not be tapped"))
        return false;
    if (!check(host.settle(isA<UserAccessViewController>), "the user access screen did not appear")) return false;
    navigation_ = host.home()->navigationController();
    out_ << "Nothing has reached the support desk yet. " << host.usersLine() << "\n";
    show(host);

    step("Sam fills in the form with \"sam at acme.example\", which is no address: the form says so");
    auto access = topAs<UserAccessViewController>(host);
    auto email = access->fldUsernameForTesting().get();
    UIEventGenerator::type(access->fldFirstName.get(), "Sam");
    UIEventGenerator::type(access->fldLastName.get(), "Roe");
    UIEventGenerator::type(email, "sam at acme.example");  // 19 characters
    UIEventGenerator::tap(access->btnConfirm.get());
    if (!check(host.settle(isA<UIAlertController>), "no validation alert appeared")) return false;
    check(!host.anyUserRegistered(), "the invalid address reached the desk");
    show(host);

    step("A valid address: Sam is signed in, and the start screen's panel of unseen conversations rises by itself");
    UIEventGenerator::pressAlertAction(host.window(), "Dismiss");
    RunLoop::main().runFor(UIViewController::transitionDuration + 0.1);
    UIEventGenerator::deleteBackward(email, 19);
    UIEventGenerator::type(email, userAddress_);
    UIEventGenerator::pressReturn(email);  // the e-mail field's Done key confirms
    if (!check(host.settle(isA<StartViewController>), "the start screen did not follow the sign-in")) return false;
    start_ = topAs<StartViewController>(host);
    check(host.setupProblem().empty(), "the desk was not set up for the user: " + host.setupProblem());
    check(RunLoop::main().runUntil([&] { return start_->areNotificationsVisible; }, 5.0),
          "the panel did not expand by itself");
    RunLoop::main().runFor(0.3);  // the panel's animations have ended
    check(start_->btnNotificationCount->title(UIControlStateNormal) == "2", "the panel does not count two");
    out_ << host.usersLine() << "\nThe start screen took the form's place: " << stackOf(navigation_)
         << "; two conversations have news from the agent.\n";
    show(host);
    return true;
}

bool DemoTour::contactAgent(DemoHost& host) {
    auto& loop = RunLoop::main();
    step("\"Contact agent\": Sam describes the problem on the add-conversation screen");
    UIEventGenerator::tap(start_->dismissButton.get());  // the expanded panel covers the start screen
    loop.runFor(0.3);
    UIEventGenerator::tap(start_->btnReportIssue.get());
    if (!check(host.settle(isA<AddConversationViewController>), "\"Contact agent\" did not open the form")) return false;
    auto add = topAs<AddConversationViewController>(host);
    add->tableView->layoutIfNeeded();
    auto row = std::dynamic_pointer_cast<AddConversationIssueCell>(add->tableView->cellForRow(IndexPath::forRow(0, 0)));
    if (!check(row != nullptr, "the form has no problem row")) return false;
    UIEventGenerator::type(row->txtVwParentView->textView.get(), "My coffee machine leaks since Monday.");
    show(host);

    step("\"Start conversation\": the chat opens with the description as its first row");
    UIEventGenerator::tap(add->startConversationButton.get());
    if (!check(host.settle(isA<ChatViewController>), "the chat did not open")) return false;
    chat_ = topAs<ChatViewController>(host);
    // The picture waits for the chat to settle, not for a time: the desk has confirmed the
    // description and the "Connected" strip has gone; the agent's answer comes later.
    const auto settled = [&] {
        const auto& rows = chat_->contentArray;
        return chat_->fldMessage->isEnabled() && !rows.empty() && !chat_->isAwaitingEcho(rows.front()) &&
               chat_->lblChatStatus->alpha() == 0;
    };
    check(loop.runUntil(settled, 5.0), "the chat did not connect");
    check(!chat_->contentArray.empty() && chat_->contentArray.front().message == "My coffee machine leaks since Monday.",
          "the description is not the chat's first row");
    check(std::none_of(chat_->contentArray.begin(), chat_->contentArray.end(),
                       [](const auto& message) { return message.senderType == "AGENT"; }),
          "the agent answered before the chat settled");
    out_ << "The chat replaced the form: " << stackOf(navigation_) << ".\n";
    show(host);
    return true;
}

bool DemoTour::chatting(DemoHost& host) {
    auto& loop = RunLoop::main();
    auto agentRows = [&] {
        std::size_t count = 0;
        for (const auto& message : chat_->contentArray)
            if (message.senderType == "AGENT") ++count;
        return count;
    };
    step("The agent answers");
    const std::string chatId = chat_->conversation ? chat_->conversation->id : std::string();
    check(host.agentAnswers(chatId), "the agent could not answer");
    check(loop.runUntil([&] { return agentRows() == 1; }, 5.0), "the agent did not answer");
    loop.runFor(1.0);  // the status strip fades out
    show(host);

    const std::string question = "Will someone call me before Friday?";
    step("Sam asks a question: the row shows at once; its seen mark turns Acme's red only on the desk's echo");
    UIEventGenerator::type(chat_->fldMessage.get(), question);
    check(UIEventGenerator::tap(chat_->btnSend.get()), "the send button could not be tapped");
    auto confirmed = [&] {
        for (const auto& row : chat_->contentArray)
            if (row.message == question) return !chat_->isAwaitingEcho(row);
        return false;
    };
    auto shown = [&] {
        return std::any_of(chat_->contentArray.begin(), chat_->contentArray.end(),
                           [&](const auto& row) { return row.message == question; });
    };
    // The echo reaches the screen through the main queue: before the loop turns, the row is there
    // and waits for it (a desk on the network may echo before the loop is idle).
    check(shown() && !confirmed(), "the message was marked seen before the desk echoed it");
    loop.runUntilIdle();
    out_ << "Sent, before the echo: ";
    printSeenMarks(*chat_, host.brandColor());
    check(loop.runUntil(confirmed, 5.0), "the desk never confirmed the message");
    loop.runFor(0.01);  // the table reloads on the next turn
    out_ << "After the echo: ";
    printSeenMarks(*chat_, host.brandColor());
    show(host);

    step("The details panel drops down under the bar");
    UIEventGenerator::tap(chat_->btnDetails.get());
    loop.runFor(0.4);
    check(chat_->detailsShown, "the details panel did not open");
    show(host);

    step("The panel goes up again; meanwhile the agent has answered the question");
    UIEventGenerator::tap(chat_->btnDetails.get());
    loop.runFor(0.4);
    check(!chat_->detailsShown, "the details panel did not close");
    check(host.agentAnswers(chatId), "the agent could not answer");
    check(loop.runUntil([&] { return agentRows() == 2; }, 5.0), "the agent did not answer the question");
    loop.runFor(0.1);
    show(host);

    step("Sam ends the chat: the rating panel pops in");
    UIEventGenerator::tap(chat_->btnEndChat.get());
    loop.runFor(ChatViewController::ratingDelay + 0.5);
    if (!check(chat_->ratingButtons.size() == 5, "the rating panel has no stars")) return false;
    show(host);

    step("A tap on the fourth star rates the chat; it closes and the start screen is back");
    const std::string id = chat_->conversation ? chat_->conversation->id : std::string();
    UIEventGenerator::tap(chat_->ratingButtons[3]);
    out_ << "\"" << chat_->lblRatingViewTitle->text().value_or("") << "\"\n";
    if (!check(host.settle(isA<StartViewController>), "the chat did not close")) return false;
    chat_.reset();
    const auto score = host.conversationScore(id);
    check(score.has_value(), "the desk has no score for the chat");
    out_ << "The desk recorded the score \"" << score.value_or("none") << "\".\n";
    loop.runUntil([&] { return start_->areNotificationsVisible; }, 5.0);
    loop.runFor(0.3);
    show(host);
    return true;
}

bool DemoTour::conversationList(DemoHost& host) {
    auto& loop = RunLoop::main();
    step("\"My conversations\": the list shows the open ones first");
    if (start_->areNotificationsVisible) {
        UIEventGenerator::tap(start_->dismissButton.get());  // the expanded panel covers the link
        loop.runFor(0.3);
    }
    std::shared_ptr<UIButton> listLink;
    for (const auto& view : start_->view()->subviews())
        if (auto button = std::dynamic_pointer_cast<UIButton>(view);
            button && button->title(UIControlStateNormal) == "My conversations")
            listLink = button;
    if (!check(listLink && UIEventGenerator::tap(listLink), "the list link could not be tapped")) return false;
    if (!check(host.settle(isA<ConversationListViewController>), "the list did not appear")) return false;
    auto list = topAs<ConversationListViewController>(host);
    check(loop.runUntil([&] { return !list->requestInProgress && list->tableView->numberOfRows(0) > 0; }, 5.0),
          "the list did not load");
    loop.runFor(0.01);
    out_ << list->open.size() << " open and " << list->closed.size() << " closed conversation(s).\n";
    check(list->closed.size() == 2, "the rated chat and the kettle refund are not both closed");
    show(host);

    step("The \"Closed\" segment: the rated chat and the refund");
    check(UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 1),
          "the segment could not be tapped");
    check(list->conversations.size() == 2, "the closed half does not show two conversations");
    show(host);
    navigation_->popViewController(true);
    return check(host.settle(isA<StartViewController>), "the start screen did not come back");
}

bool DemoTour::profileAndLogout(DemoHost& host) {
    auto& loop = RunLoop::main();
    step("Profile settings: Sam changes the last name to \"Rowe\" and saves");
    if (start_->areNotificationsVisible) {
        UIEventGenerator::tap(start_->dismissButton.get());
        loop.runFor(0.3);
    }
    UIEventGenerator::tap(start_->settingsButton.get());
    if (!check(host.settle(isA<UserDetailsViewController>), "\"Settings\" did not open the profile")) return false;
    auto profile = topAs<UserDetailsViewController>(host);
    auto lastName = profile->txtFldLastnameForTesting().get();
    UIEventGenerator::deleteBackward(lastName, 3);
    UIEventGenerator::type(lastName, "Rowe");
    UIEventGenerator::tap(profile->btnSave.get());
    check(loop.runUntil([&] { return host.lastNameOnDesk() == "Rowe"; }, 5.0), "the name was not saved");
    loop.runFor(0.1);
    out_ << host.usersLine() << "\n";
    show(host);

    step("Sam logs out: the support screens give way to the host's own screen");
    UIEventGenerator::tap(profile->btnLogout.get());
    profile.reset();
    start_.reset();
    if (!check(host.settle(isA<HostHomeViewController>), "logout did not go back to the host")) return false;
    out_ << "Back at " << stackOf(navigation_) << "; no signed-in user is kept, "
         << (UserModel::loadUser() ? "wrongly" : "as it should be") << ".\n";
    show(host);
    return true;
}

bool DemoTour::pushNotification(DemoHost& host) {
    auto& loop = RunLoop::main();
    step("Sam comes back; the host now passes the user it knows, so the start screen follows without the form");
    host.setUserParameters(StringDictionary{{"userName", userAddress_}, {"firstName", "Sam"}, {"lastName", "Rowe"}});
    if (!check(UIEventGenerator::tap(host.home()->helpButton()), "\"Help & support\" could not be tapped")) return false;
    if (!check(host.settle(isA<StartViewController>), "the start screen did not appear")) return false;
    loop.runFor(1.0);  // the panel of unseen conversations has risen
    out_ << host.usersLine() << "\n";
    show(host);

    step("A push notification about \"Parcel not delivered\" opens its chat, with the support screens behind it");
    const auto parcel = host.conversationId(DemoHost::parcelConversation);
    if (!check(parcel.has_value(), "the desk has no parcel conversation")) return false;
    host.support()->handlePushNotification({{"conversationId", *parcel}, {"aps", AnyDictionary{{"badge", Any(1)}}}});
    if (!check(host.settle(isA<ChatViewController>), "the chat did not appear")) return false;
    auto chat = topAs<ChatViewController>(host);
    check(loop.runUntil([&] { return chat->fldMessage->isEnabled(); }, 5.0), "the chat did not connect");
    loop.runFor(1.0);
    navigation_ = std::dynamic_pointer_cast<UINavigationController>(host.window()->rootViewController());
    if (!check(navigation_ != nullptr, "the window's root is no navigation controller")) return false;
    out_ << "The window's root is a fresh \"Main\" navigation controller: " << stackOf(navigation_) << ".\n";
    show(host);

    step("Back from the chat: the conversation list is behind it");
    UIEventGenerator::tap(chat->navigationItem().leftBarButtonItem());
    chat.reset();
    if (!check(host.settle(isA<ConversationListViewController>), "the list is not behind the chat")) return false;
    loop.runFor(0.2);
    show(host);
    return true;
}

void DemoTour::leaving(DemoHost& host) {
    step("Theming: bars take Acme's red while the support screens are up; leaving brings back white");
    const auto red = UIView::make<UINavigationBar>()->tintColor();
    out_ << "a navigation bar made while the support screens are up: tint " << red.description() << "\n";
    check(red == host.brandColor(), "the support screens are not in the tenant's colour");
    UIEventGenerator::tapBackButton(navigation_);
    check(host.settle(isA<StartViewController>), "the start screen is not behind the list");
    // "Close" leaves; the push put the user access form under the start screen, and it closes too.
    for (int screens = 0; screens < 2 && !isA<HostHomeViewController>(host.topScreen()); ++screens) {
        auto items = navigation_->leftBarItems();
        if (!check(!items.empty() && UIEventGenerator::tap(items.front()), "there is no \"Close\" to tap")) break;
        host.settle([](const auto&) { return true; });
    }
    check(isA<HostHomeViewController>(host.topScreen()), "leaving did not go back to the host");
    out_ << "Back at " << stackOf(navigation_) << ".\n";
    const auto after = UIView::make<UINavigationBar>()->tintColor();
    out_ << "a navigation bar made after leaving: tint " << after.description() << "\n";
    check(after != red, "leaving kept Acme's red");
    show(host);
}

std::unique_ptr<DemoHost> DemoTour::Options::open(bool nameRequired, std::ostream& out) const {
    try {
        return std::make_unique<DemoHost>(host(nameRequired));
    } catch (const std::runtime_error& error) {
        out << "velmaro-demo: " << error.what() << "\n";
        return nullptr;
    }
}

int DemoTour::runOnce(const Options& options) {
    out_ << "velmaro-demo: Acme " << (options.userNameRequired ? "requires" : "does not require")
         << " a user name.\n";
    auto made = options.open(options.userNameRequired, out_);
    if (!made) return 1;
    DemoHost& host = *made;
    host.startSupport();
    bool appeared = check(host.settle(isFirstScreen), "no support screen or alert appeared");
    out_ << host.usersLine() << "\n---- glass\n" << GlassRenderer::render(host.window()) << "----\n";
    return appeared ? 0 : 1;
}
