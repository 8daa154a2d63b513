#include "Demo/DemoHost.h"

#include "CoreSimulator/SupportDesk.h"
#include "Demo/HostHomeViewController.h"
#include "Demo/HostStoryboard.h"
#include "Dispatch/RunLoop.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

namespace {

}  // namespace

const UIColor& DemoHost::acmeRed() {
    static const UIColor red = colorWithHexValue(0xD0021B);
    return red;
}

DemoHost::DemoHost(Options options) : options_(std::move(options)) {
    HostStoryboard::registerScenes([this](HostHomeViewController& home) { home.onHelpRequested = [this] { startSupport(); }; });
    Config tenant;
    tenant.userNameRequired = options_.userNameRequired;
    tenant.tenantId = "acme";
    tenant.name = "Acme";
    tenant.primaryColor = acmeRed();
    SupportDesk::Options desk;
    desk.latency = 0.05;
    // Long enough to see the user's own row alone first, after the "Connected" strip has gone.
    desk.agentReplyDelay = 2.0;
    if (options_.chaosSeed) desk.chaos = SupportDesk::Options::Chaos::all(*options_.chaosSeed);
    desk_ = std::make_shared<SupportDesk>(tenant, desk);
    installCoreLibrary(desk_);
    seedConversations();

    window_ = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    auto root = HostStoryboard::instantiateInitial();
    window_->setRootViewController(root);
    window_->makeKeyAndVisible();
}

DemoHost::~DemoHost() {
    // The desk first: its thread stops, so nothing new reaches the main queue; then the screens
    // close and the queue's last tasks (which may hold them) run.
    installCoreLibrary(nullptr);
    desk_.reset();
    HostStoryboard::registerScenes();
    if (auto home = this->home()) home->onHelpRequested = nullptr;
    window_->setRootViewController(nullptr);
    window_->setHidden(true);
    support_.reset();
    auto& loop = RunLoop::main();
    if (loop.clock().isManual()) {
        loop.runFor(2.0);
    } else {
        loop.runUntil([&loop] { return loop.pendingCount() == 0; }, 2.0);
    }
}

void DemoHost::seedConversations() {
    const Date now = Date::now();
    auto seed = [&](const char* id, std::string subject, std::string status, int unseen, std::string latest,
                    double minutesAgo) {
        ConversationModel conversation;
        conversation.id = id;
        conversation.subject = subject;
        conversation.description = std::move(subject);
        conversation.status = std::move(status);
        conversation.dateTime = fullDateFormatter().stringFromDate(now.addingTimeInterval(-minutesAgo * 60 - 600));
        conversation.agentName = "Alex";
        conversation.unseenActivityCount = unseen;
        conversation.activities = {
            {{ContentModel{"Hello, I need help.", "INBOUND", now.addingTimeInterval(-minutesAgo * 60 - 60), "TEXT", ""}}},
            {{ContentModel{std::move(latest), "OUTBOUND", now.addingTimeInterval(-minutesAgo * 60), "TEXT", ""}}}};
        desk_->seedConversation(std::move(conversation));
    };
    seed(closedConversation, "Refund for a returned kettle", "CLOSED", 0, "The refund is on its way.", 2880);
    seed(answeredConversation, "Invoice address is wrong", "OPEN", 0, "We will correct it.", 600);
    seed(parcelConversation, "Parcel not delivered", "OPEN", 2, "It goes out today.", 5);
    seed(slotConversation, "Change my delivery slot", "OPEN", 1, "Thursday works.", 2);
}

std::shared_ptr<HostHomeViewController> DemoHost::home() const {
    auto root = window_->rootViewController();
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(root)) {
        auto screens = navigation->viewControllers();
        root = screens.empty() ? nullptr : screens.front();
    }
    return std::dynamic_pointer_cast<HostHomeViewController>(root);
}

void DemoHost::startSupport() {
    support_ = SupportUI::make(home(), window_, options_.userParameters);
}

std::shared_ptr<UIViewController> DemoHost::topScreen() const {
    return VelmaroApplication::topViewController(window_->rootViewController());
}

bool DemoHost::settle(const ScreenTest& done) const {
    auto& loop = RunLoop::main();
    bool reached = loop.runUntil([&] { return done(topScreen()); }, 5.0);
    // Let the push or presentation finish its animation.
    loop.runFor(UIViewController::transitionDuration + 0.1);
    return reached && done(topScreen());
}

std::string DemoHost::usersLine() const {
    auto users = desk_->users();
    std::string line = "support desk: " + std::to_string(users.size()) + " registered user(s)";
    for (const auto& user : users) {
        if (user.userName.empty()) {
            line += "; anonymous";
            continue;
        }
        std::string name = user.firstName;
        if (!user.lastName.empty()) name += (name.empty() ? "" : " ") + user.lastName;
        line += "; ";
        line += user.userName;
        if (!name.empty()) line += " (" + name + ")";
    }
    return line;
}

std::string DemoHost::screenName(const std::shared_ptr<UIViewController>& screen) {
    if (!screen) return "nothing";
    if (isA<UIAlertController>(screen)) return "alert";
    if (isA<StartViewController>(screen)) return "start";
    if (isA<UserAccessViewController>(screen)) return "user access";
    if (isA<AddConversationViewController>(screen)) return "add conversation";
    if (isA<ConversationListViewController>(screen)) return "conversation list";
    if (isA<ChatViewController>(screen)) return "chat";
    if (isA<UserDetailsViewController>(screen)) return "profile";
    if (isA<HostHomeViewController>(screen)) return "host home";
    return screen->title().value_or("screen");
}
