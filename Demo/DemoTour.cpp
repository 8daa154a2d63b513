#include "Demo/DemoTour.h"

#include "CoreSimulator/SupportDesk.h"
#include "Demo/HostHomeViewController.h"
#include "Demo/HostStoryboard.h"
#include "Dispatch/RunLoop.h"
#include "Foundation/UserDefaults.h"
#include "UIKit/GlassRenderer.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

const UIColor acmeRed = colorWithHexValue(0xD0021B);

template <class Screen>
bool isA(const std::shared_ptr<UIViewController>& controller) {
    return std::dynamic_pointer_cast<Screen>(controller) != nullptr;
}

bool isFirstScreen(const std::shared_ptr<UIViewController>& top) {
    return isA<StartViewController>(top) || isA<UserAccessViewController>(top) || isA<UIAlertController>(top);
}

Config acmeTenant(bool userNameRequired) {
    Config tenant;
    tenant.userNameRequired = userNameRequired;
    tenant.tenantId = "acme";
    tenant.name = "Acme";
    tenant.primaryColor = acmeRed;
    return tenant;
}

}  // namespace

DemoTour::Host DemoTour::makeHost(bool inNavigationController, bool userNameRequired) {
    HostStoryboard::registerScenes();
    Host host;
    SupportDesk::Options options;
    options.latency = 0.05;
    options.agentReplyDelay = 0.4;
    host.desk = std::make_shared<SupportDesk>(acmeTenant(userNameRequired), options);
    installCoreLibrary(host.desk);

    host.window = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    if (inNavigationController) {
        auto root = HostStoryboard::instantiateInitial();
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(root);
        host.initialScreen = navigation ? navigation->topViewController() : root;
        host.window->setRootViewController(root);
    } else {
        host.initialScreen = std::make_shared<HostHomeViewController>();
        host.window->setRootViewController(host.initialScreen);
    }
    host.window->makeKeyAndVisible();
    return host;
}

void DemoTour::startSupport(Host& host, std::optional<StringDictionary> userParameters) {
    host.support = SupportUI::make(host.initialScreen, host.window, std::move(userParameters));
}

bool DemoTour::settle(const Host& host, const std::function<bool(const std::shared_ptr<UIViewController>&)>& done) {
    auto& loop = RunLoop::main();
    auto top = [&] { return VelmaroApplication::topViewController(host.window->rootViewController()); };
    bool reached = loop.runUntil([&] { return done(top()); }, 5.0);
    // Let the push or presentation finish its animation.
    loop.runFor(UIViewController::transitionDuration + 0.1);
    return reached && done(top());
}

void DemoTour::step(const std::string& caption) {
    out_ << "\n== " << ++stepNumber_ << ". " << caption << "\n";
}

void DemoTour::printGlass(const Host& host) {
    out_ << "---- glass\n" << GlassRenderer::render(host.window) << "----\n";
}

void DemoTour::printUsers(const Host& host) {
    auto users = host.desk->users();
    out_ << "support desk: " << users.size() << " registered user(s)";
    for (const auto& user : users) {
        if (user.userName.empty()) {
            out_ << "; anonymous";
            continue;
        }
        std::string name = user.firstName;
        if (!user.lastName.empty()) name += (name.empty() ? "" : " ") + user.lastName;
        out_ << "; " << user.userName << (name.empty() ? "" : " (" + name + ")");
    }
    out_ << "\n";
}

bool DemoTour::check(bool condition, const std::string& failure) {
    if (!condition) {
        out_ << "!! " << failure << "\n";
        failed_ = true;
    }
    return condition;
}

int DemoTour::runTour() {
    out_ << "velmaro-demo: the Acme shop app embeds the Velmaro support screens.\n";

    {
        step("The host application on its own: the \"Main\" storyboard's navigation controller with the home screen");
        auto host = makeHost(true, false);
        printGlass(host);

        step("SupportUI(initialViewController: home, window:) without user parameters; Acme needs no user name");
        startSupport(host, std::nullopt);
        out_ << "The initialiser has returned and the glass is unchanged: the first screen comes from the "
                "main queue.\n";
        printGlass(host);
        check(settle(host, isA<StartViewController>), "the start screen did not appear");
        out_ << "An anonymous end user was registered; the start screen was pushed onto the host's navigation "
                "controller.\n";
        printUsers(host);
        printGlass(host);
    }
    {
        step("A host screen outside any navigation controller");
        auto host = makeHost(false, false);
        startSupport(host, std::nullopt);
        check(settle(host, isA<StartViewController>), "the start screen did not appear");
        auto presented = std::dynamic_pointer_cast<NavigationController>(host.initialScreen->presentedViewController());
        if (check(presented != nullptr, "no NavigationController was presented"))
            out_ << "The start screen was presented in a NavigationController; its bar is "
                 << (presented->navigationBar()->isTranslucent() ? "translucent" : "opaque") << ".\n";
        printGlass(host);
    }
    UserDefaults::standard().remove("extuserName");
    {
        step("Acme now requires a user name, and none is known");
        auto host = makeHost(true, true);
        startSupport(host, std::nullopt);
        check(settle(host, isA<UserAccessViewController>), "the user access screen did not appear");
        out_ << "The user access screen asks who the user is; nothing was sent to the support desk.\n";
        printUsers(host);
        printGlass(host);
    }
    {
        step("The host knows its user: userName \"jane@acme.example\", firstName \"Jane\", lastName \"Doe\"");
        auto host = makeHost(true, true);
        startSupport(host, StringDictionary{{"userName", "jane@acme.example"}, {"firstName", "Jane"}, {"lastName", "Doe"}});
        check(settle(host, isA<StartViewController>), "the start screen did not appear");
        out_ << "Jane was registered and authenticated; the start screen follows.\n";
        printUsers(host);
        printGlass(host);
    }
    {
        step("A conversation from yesterday, opened as a row of the conversation list opens it");
        auto host = makeHost(true, false);
        startSupport(host, StringDictionary{{"userName", "jane@acme.example"}, {"firstName", "Jane"}, {"lastName", "Doe"}});
        check(settle(host, isA<StartViewController>), "the start screen did not appear");
        runChat(host);
    }
    {
        step("Two conversations have news from the agent: the start screen lists them in its panel");
        auto host = makeHost(true, false);
        runConversations(host);
    }
    runKeyboardHelper();
    runPushNotification();
    runAccountScreens();
    {
        step("A registration that fails: the stored user name is empty text, which Acme refuses");
        UserDefaults::standard().set(std::string(), "extuserName");
        auto host = makeHost(true, true);
        startSupport(host, std::nullopt);
        check(settle(host, isA<UIAlertController>), "no alert appeared");
        out_ << "The error is shown on the host's own screen; no support screen opens.\n";
        printGlass(host);
    }
    {
        step("Theming: leaving the support screens brings back white");
        VelmaroApplication::utilizePrimaryColor(acmeRed);
        out_ << "a navigation bar made while the support screens are up: tint "
             << UIView::make<UINavigationBar>()->tintColor().description() << "\n";
        VelmaroApplication::utilizePrimaryColor(appPrimaryColor());
        out_ << "a navigation bar made after leaving: tint " << UIView::make<UINavigationBar>()->tintColor().description()
             << "\n";
    }
    installCoreLibrary(nullptr);
    out_ << (failed_ ? "\nThe tour went wrong.\n" : "\nEnd of the tour.\n");
    return failed_ ? 1 : 0;
}

void DemoTour::runChat(const Host& host) {
    auto& loop = RunLoop::main();
    const Date now = Date::now();
    ConversationModel seeded;
    seeded.subject = "Parcel not delivered";
    seeded.agentName = "Alex";
    auto content = [](std::string text, std::string direction, Date when) {
        return ContentModel{std::move(text), std::move(direction), when, "TEXT", ""};
    };
    seeded.activities = {
        {{content("My parcel has not arrived.", "INBOUND", now.addingTimeInterval(-86400 - 600))}},
        {{content("Sorry to hear that. Let me check the tracking.", "OUTBOUND", now.addingTimeInterval(-86400 - 300))}},
        {{content("It is at the depot and goes out today.", "OUTBOUND", now.addingTimeInterval(-120))}},
    };
    const std::string id = host.desk->seedConversation(seeded);

    auto chat = instantiateVC<ChatViewController>(*loadStoryboard(Storyboard::Velmaro));
    chat->conversation = host.desk->conversation(id);
    auto navigation = host.initialScreen->navigationController();
    if (!check(navigation != nullptr, "the host has no navigation controller")) return;
    navigation->pushViewController(chat, true);
    check(loop.runUntil([&] { return chat->fldMessage->isEnabled(); }, 5.0), "the chat did not connect");
    loop.runFor(UIViewController::transitionDuration + 0.1);  // the push has slid in
    out_ << "The timeline has a title for each day; the status strip shows \"Connected\" until it fades.\n";
    printGlass(host);
    printSeenMarks(*chat);

    step("The user types a message and sends it");
    UIEventGenerator::type(chat->fldMessage.get(), "Thank you! Will it come before six?");
    check(UIEventGenerator::tap(chat->btnSend.get()), "the send button could not be tapped");
    loop.runFor(0.01);
    auto seenMark = [&] {
        for (const auto& row : chat->contentArray)
            if (row.message == "Thank you! Will it come before six?") return !chat->isAwaitingEcho(row);
        return false;
    };
    out_ << "Sent: the row shows at once, " << (seenMark() ? "already seen (wrong)" : "not yet seen")
         << ": the desk has not echoed it.\n";
    printSeenMarks(*chat);
    check(loop.runUntil(seenMark, 5.0), "the desk never confirmed the message");
    loop.runFor(0.01);  // the table reloads on the next turn
    out_ << "The desk's echo arrived: the row's seen mark now takes Acme's colour.\n";
    printSeenMarks(*chat);

    step("The agent answers");
    const std::size_t rows = chat->contentArray.size();
    check(loop.runUntil([&] { return chat->contentArray.size() > rows; }, 5.0), "the agent did not answer");
    loop.runFor(1.0);
    out_ << "The answer is the last row; the status strip has faded out.\n";
    printGlass(host);

    step("The details panel drops down under the bar, and goes up again");
    UIEventGenerator::tap(chat->btnDetails.get());
    loop.runFor(0.4);
    printGlass(host);
    UIEventGenerator::tap(chat->btnDetails.get());
    loop.runFor(0.4);
    check(!chat->detailsShown, "the details panel did not close");

    step("The user ends the chat: the rating panel pops in; a tap on the fourth star rates and leaves");
    UIEventGenerator::tap(chat->btnEndChat.get());
    loop.runFor(ChatViewController::ratingDelay + 0.5);
    printGlass(host);
    if (check(chat->ratingButtons.size() == 5, "the rating panel has no stars")) {
        UIEventGenerator::tap(chat->ratingButtons[3]);
        out_ << "\"" << chat->lblRatingViewTitle->text().value_or("") << "\"; the score goes to the desk.\n";
        check(loop.runUntil([&] { return navigation->topViewController() != chat; }, 5.0), "the chat did not close");
        loop.runFor(UIViewController::transitionDuration + 0.1);
        out_ << "The desk recorded score \"" << host.desk->conversationScore(id).value_or("none")
             << "\"; the chat closed and the start screen is back.\n";
        printGlass(host);
    }
}

void DemoTour::runConversations(Host& host) {
    auto& loop = RunLoop::main();
    const Date now = Date::now();
    auto conversation = [&](std::string description, std::string status, int unseen, std::string latest,
                            double minutesAgo) {
        ConversationModel seeded;
        seeded.subject = description;
        seeded.description = std::move(description);
        seeded.status = std::move(status);
        seeded.dateTime = fullDateFormatter().stringFromDate(now.addingTimeInterval(-minutesAgo * 60 - 600));
        seeded.agentName = "Alex";
        seeded.unseenActivityCount = unseen;
        seeded.activities = {{{ContentModel{"Hello, I need help.", "INBOUND", now.addingTimeInterval(-minutesAgo * 60 - 60),
                                            "TEXT", ""}}},
                             {{ContentModel{std::move(latest), "OUTBOUND", now.addingTimeInterval(-minutesAgo * 60), "TEXT",
                                            ""}}}};
        return host.desk->seedConversation(seeded);
    };
    conversation("Refund for a returned kettle", "CLOSED", 0, "The refund is on its way.", 2880);
    conversation("Invoice address is wrong", "OPEN", 0, "We will correct it.", 600);
    const std::string parcel = conversation("Parcel not delivered", "OPEN", 2, "It goes out today.", 5);
    conversation("Change my delivery slot", "OPEN", 1, "Thursday works.", 2);

    startSupport(host, StringDictionary{{"userName", "jane@acme.example"}, {"firstName", "Jane"}, {"lastName", "Doe"}});
    if (!check(settle(host, isA<StartViewController>), "the start screen did not appear")) return;
    auto start = std::dynamic_pointer_cast<StartViewController>(
        VelmaroApplication::topViewController(host.window->rootViewController()));
    check(loop.runUntil([&] { return start->areNotificationsVisible; }, 5.0), "the panel did not expand by itself");
    loop.runFor(0.3);  // the panel's animations have ended
    check(start->btnNotificationCount->title(UIControlStateNormal) == "2", "the panel does not count two");
    out_ << "The collapsed panel came up with the count "
         << start->btnNotificationCount->title(UIControlStateNormal).value_or("") << ", then rose by itself by "
         << start->notificationsViewOriginY - start->notificationsViewTopConstraint->constant()
         << " points, one row per conversation.\n";
    printGlass(host);

    step("The user taps the row \"Parcel not delivered\": its chat opens, and the desk marks it seen");
    int row = -1;
    for (std::size_t i = 0; i < start->conversations.size(); ++i)
        if (start->conversations[i].id == parcel) row = static_cast<int>(i);
    start->tableView->layoutIfNeeded();
    if (!check(row >= 0 && UIEventGenerator::selectRow(start->tableView.get(), IndexPath::forRow(row, 0)),
               "the row could not be tapped"))
        return;
    auto chat = std::dynamic_pointer_cast<ChatViewController>(start->navigationController()->topViewController());
    if (!check(chat != nullptr, "no chat was pushed")) return;
    check(loop.runUntil([&] { return start->conversations.size() == 1; }, 5.0), "the chat never reported it seen");
    check(loop.runUntil([&] { return chat->fldMessage->isEnabled(); }, 5.0), "the chat did not connect");
    loop.runFor(UIViewController::transitionDuration + 0.1);
    printGlass(host);

    step("Back on the start screen: the seen conversation has left the panel");
    UIEventGenerator::tap(chat->navigationItem().leftBarButtonItem());
    check(settle(host, isA<StartViewController>), "the start screen did not come back");
    check(loop.runUntil([&] { return start->areNotificationsVisible && start->tableView->numberOfRows(0) == 1; }, 5.0),
          "the panel did not show the one conversation left");
    loop.runFor(0.3);
    out_ << "The panel counts " << start->btnNotificationCount->title(UIControlStateNormal).value_or("")
         << " and shows one row.\n";
    printGlass(host);

    step("\"My conversations\" opens the list: the open ones first");
    std::shared_ptr<UIButton> listLink;
    for (const auto& view : start->view()->subviews())
        if (auto button = std::dynamic_pointer_cast<UIButton>(view);
            button && button->title(UIControlStateNormal) == "My conversations")
            listLink = button;
    UIEventGenerator::tap(start->dismissButton.get());  // the expanded panel covers the link
    loop.runFor(0.3);
    if (!check(listLink && UIEventGenerator::tap(listLink), "the list link could not be tapped")) return;
    if (!check(settle(host, isA<ConversationListViewController>), "the list did not appear")) return;
    auto list = std::dynamic_pointer_cast<ConversationListViewController>(
        VelmaroApplication::topViewController(host.window->rootViewController()));
    check(loop.runUntil([&] { return !list->requestInProgress && list->tableView->numberOfRows(0) > 0; }, 5.0),
          "the list did not load");
    loop.runFor(0.01);
    out_ << list->open.size() << " open and " << list->closed.size() << " closed conversation(s).\n";
    printGlass(host);

    step("The \"Closed\" segment shows the closed half; nothing more is asked of the desk");
    check(UIEventGenerator::selectSegment(list->conversationTypeSegmentedControl.get(), 1),
          "the segment could not be tapped");
    check(list->conversations.size() == 1, "the closed half does not show one conversation");
    printGlass(host);
}

void DemoTour::printSeenMarks(const ChatViewController& chat) {
    out_ << "seen marks of the user's rows:";
    auto table = chat.tableView.get();
    table->layoutIfNeeded();
    for (const auto& indexPath : table->indexPathsForVisibleRows()) {
        auto cell = std::dynamic_pointer_cast<ChatClientTableViewCell>(table->cellForRow(indexPath));
        if (!cell) continue;
        const bool seen = cell->btnSeen->tintColor() == acmeRed;
        out_ << " [" << indexPath.description() << " \"" << cell->lblMessage->text().value_or("") << "\": "
             << (seen ? "seen, Acme red" : "waiting, grey") << "]";
    }
    out_ << "\n";
}

int DemoTour::runOnce(const Options& options) {
    out_ << "velmaro-demo: Acme " << (options.userNameRequired ? "requires" : "does not require")
         << " a user name.\n";
    auto host = makeHost(true, options.userNameRequired);
    startSupport(host, options.userParameters);
    bool appeared = check(settle(host, isFirstScreen), "no support screen or alert appeared");
    printUsers(host);
    printGlass(host);
    installCoreLibrary(nullptr);
    return appeared ? 0 : 1;
}

// The host switches the layer's keyboard helper on at start-up; its own form gets the toolbar.
void DemoTour::runKeyboardHelper() {
    step("The host's own form with the keyboard helper switched on: typing an order number");
    KeyboardHelper::shared()->enable = true;
    auto host = makeHost(true, false);
    auto home = std::dynamic_pointer_cast<HostHomeViewController>(host.initialScreen);
    if (!check(home != nullptr, "the host's home screen is missing")) return;
    auto order = home->orderField(), postcode = home->postcodeField();
    UIEventGenerator::type(order, "A-1042");
    auto toolbar = std::dynamic_pointer_cast<KHToolbar>(order->inputAccessoryView());
    if (!check(toolbar != nullptr, "the order field has no keyboard toolbar")) return;
    out_ << "Above the keyboard (" << UIKeyboard::standardHeight << " + " << toolbar->frame().size.height
         << " points), the toolbar:";
    std::shared_ptr<UIBarButtonItem> nextArrow, done;
    for (const auto& item : toolbar->items()) {
        if (item->isSpace()) {
            out_ << (item->systemItem() == UIBarButtonItem::SystemItem::fixedSpace ? " _" : " ~");
        } else if (item->image()) {
            out_ << " [" << item->image()->name().value_or("image") << "]";
            if (item->image()->name() == "rightArrow") nextArrow = item;
        } else {
            out_ << " [" << item->title().value_or("") << "]";
            done = item;
        }
    }
    out_ << "\n";

    step("The next arrow moves to the postcode; Done ends the editing and tracks the order");
    check(UIEventGenerator::tap(nextArrow) && postcode->isFirstResponder(), "next did not reach the postcode");
    UIEventGenerator::type(postcode, "SW1A 1AA");
    auto postcodeDone = std::dynamic_pointer_cast<KHToolbar>(postcode->inputAccessoryView());
    if (postcodeDone) done = postcodeDone->items().back();
    check(UIEventGenerator::tap(done) && !postcode->isFirstResponder(), "Done did not end the editing");
    out_ << "The form's Done action ran: \"" << home->trackingLabel()->text().value_or("") << "\"\n";
    printGlass(host);

    step("While the order number is edited, a tap on a button keeps the keyboard; a tap beside the form ends it");
    UIEventGenerator::beginEditing(order);
    std::shared_ptr<UIButton> help;
    for (const auto& view : home->view()->subviews())
        if (auto button = std::dynamic_pointer_cast<UIButton>(view)) help = button;
    check(help && UIEventGenerator::tap(help) && order->isFirstResponder(), "a tap on the button ended the editing");
    out_ << "After the tap on \"Help & support\" the order field still edits.\n";
    UIEventGenerator::tapAt(host.window, CGPoint{187, 600});
    check(!order->isFirstResponder(), "the tap did not end the editing");
    out_ << "After a tap on empty space it " << (order->isFirstResponder() ? "still edits" : "no longer edits") << ".\n";
}

// A push notification about a conversation, opened while the host shows its own screen.
void DemoTour::runPushNotification() {
    auto& loop = RunLoop::main();
    step("Later, the user is back on the shop's home screen when a push notification about a conversation arrives");
    auto host = makeHost(true, false);
    startSupport(host, StringDictionary{{"userName", "jane@acme.example"}, {"firstName", "Jane"}, {"lastName", "Doe"}});
    check(settle(host, isA<StartViewController>), "the start screen did not appear");
    host.initialScreen->navigationController()->popToRootViewController(false);
    loop.runFor(0.1);
    ConversationModel seeded;
    seeded.subject = "Parcel not delivered";
    seeded.agentName = "Alex";
    seeded.activities = {{{ContentModel{"Your parcel is at the depot.", "OUTBOUND",
                                        Date::now().addingTimeInterval(-60), "TEXT", ""}}}};
    const std::string id = host.desk->seedConversation(seeded);
    printGlass(host);

    host.support->handlePushNotification({{"conversationId", id}, {"aps", AnyDictionary{{"badge", Any(1)}}}});
    check(settle(host, isA<ChatViewController>), "the chat did not appear");
    auto chat = std::dynamic_pointer_cast<ChatViewController>(
        VelmaroApplication::topViewController(host.window->rootViewController()));
    check(chat && loop.runUntil([&] { return chat->fldMessage->isEnabled(); }, 5.0), "the chat did not connect");
    loop.runFor(0.1);
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(host.window->rootViewController());
    out_ << "The window's root is a fresh navigation controller from \"Main\"; its screens:";
    for (const auto& screen : navigation ? navigation->viewControllers() : std::vector<std::shared_ptr<UIViewController>>{}) {
        const char* name = isA<UserAccessViewController>(screen)         ? "user access"
                           : isA<StartViewController>(screen)            ? "start"
                           : isA<ConversationListViewController>(screen) ? "conversation list"
                           : isA<ChatViewController>(screen)             ? "chat"
                                                                         : nullptr;
        out_ << " [" << (name ? name : screen->title().value_or("host")) << "]";
    }
    out_ << "\n";
    printGlass(host);

    step("Back from the chat: the conversation list is behind it");
    navigation->popViewController(false);
    check(settle(host, isA<ConversationListViewController>), "the list is not behind the chat");
    printGlass(host);
}

namespace {

// The screens of a navigation stack, bottom first, by what they are.
std::string stackOf(const std::shared_ptr<UINavigationController>& navigation) {
    auto nameOf = [](const std::shared_ptr<UIViewController>& screen) -> std::string {
        if (isA<StartViewController>(screen)) return "start";
        if (isA<UserAccessViewController>(screen)) return "user access";
        if (isA<AddConversationViewController>(screen)) return "add conversation";
        if (isA<ChatViewController>(screen)) return "chat";
        if (isA<UserDetailsViewController>(screen)) return "profile";
        return "host home";
    };
    std::string names;
    for (const auto& screen : navigation->viewControllers()) names += (names.empty() ? "[" : ", ") + nameOf(screen);
    return names + "]";
}

}  // namespace

void DemoTour::runAccountScreens() {
    auto& loop = RunLoop::main();
    step("Acme requires a user name and none is known: the user logs in on the user access screen");
    UserDefaults::standard().remove("extuserName");
    auto host = makeHost(true, true);
    startSupport(host, std::nullopt);
    if (!check(settle(host, isA<UserAccessViewController>), "the user access screen did not appear")) return;
    auto navigation = host.initialScreen->navigationController();
    auto access = std::dynamic_pointer_cast<UserAccessViewController>(navigation->topViewController());
    auto email = access->fldUsernameForTesting().get();
    UIEventGenerator::type(access->fldFirstName.get(), "Sam");
    UIEventGenerator::type(access->fldLastName.get(), "Roe");
    UIEventGenerator::type(email, "sam at acme.example");
    UIEventGenerator::tap(access->btnConfirm.get());
    check(settle(host, isA<UIAlertController>), "no validation alert appeared");
    out_ << "\"sam at acme.example\" is no address: the form says so and nothing reached the desk.\n";
    printUsers(host);
    printGlass(host);
    UIEventGenerator::pressAlertAction(host.window, "Dismiss");
    loop.runFor(UIViewController::transitionDuration + 0.1);

    UIEventGenerator::deleteBackward(email, 19);
    UIEventGenerator::type(email, "sam@acme.example");
    UIEventGenerator::pressReturn(email);  // the e-mail field's Done key confirms
    check(settle(host, isA<StartViewController>), "the start screen did not follow \"SavedAuth\"");
    out_ << "Sam was registered and authenticated; on \"SavedAuth\" the start screen took the form's place: "
         << stackOf(navigation) << ".\n";
    printUsers(host);
    printGlass(host);

    step("Contact agent: the problem typed on the add-conversation screen opens a chat with it");
    auto start = std::dynamic_pointer_cast<StartViewController>(navigation->topViewController());
    UIEventGenerator::tap(start->btnReportIssue.get());
    if (!check(settle(host, isA<AddConversationViewController>), "\"Contact agent\" did not open the form")) return;
    auto add = std::dynamic_pointer_cast<AddConversationViewController>(navigation->topViewController());
    add->tableView->layoutIfNeeded();
    auto row = std::dynamic_pointer_cast<AddConversationIssueCell>(add->tableView->cellForRow(IndexPath::forRow(0, 0)));
    if (!check(row != nullptr, "the form has no problem row")) return;
    UIEventGenerator::type(row->txtVwParentView->textView.get(), "My coffee machine leaks since Monday.");
    printGlass(host);
    UIEventGenerator::tap(add->startConversationButton.get());
    check(settle(host, isA<ChatViewController>), "the chat did not open");
    auto chat = std::dynamic_pointer_cast<ChatViewController>(navigation->topViewController());
    auto answered = [&] {
        for (const auto& message : chat->contentArray)
            if (message.senderType == "AGENT") return true;
        return false;
    };
    check(loop.runUntil(answered, 5.0), "the agent did not answer");
    loop.runFor(1.0);
    out_ << "The chat replaced the form: " << stackOf(navigation)
         << "; the description went out as its first message and the agent answered.\n";
    printGlass(host);
    navigation->popViewController(true);
    loop.runFor(UIViewController::transitionDuration + 0.1);

    step("Profile settings: Sam changes the last name and saves");
    UIEventGenerator::tap(start->settingsButton.get());
    if (!check(settle(host, isA<UserDetailsViewController>), "\"Settings\" did not open the profile")) return;
    auto profile = std::dynamic_pointer_cast<UserDetailsViewController>(navigation->topViewController());
    auto lastName = profile->txtFldLastnameForTesting().get();
    UIEventGenerator::deleteBackward(lastName, 3);
    UIEventGenerator::type(lastName, "Rowe");
    out_ << "Save is " << (profile->btnSave->isEnabled() ? "enabled" : "disabled") << " once the name differs.\n";
    UIEventGenerator::tap(profile->btnSave.get());
    check(loop.runUntil([&] { return host.desk->users().back().lastName == "Rowe"; }, 5.0), "the name was not saved");
    printUsers(host);
    printGlass(host);

    step("Sam logs out: the support screens give way to the host's own screen");
    UIEventGenerator::tap(profile->btnLogout.get());
    check(settle(host, [&](const std::shared_ptr<UIViewController>& top) { return top == host.initialScreen; }),
          "logout did not go back to the host");
    out_ << "Back at " << stackOf(navigation) << "; the desk keeps no signed-in user, "
         << (UserModel::loadUser() ? "wrongly" : "as it should") << ".\n";
    printGlass(host);
}
