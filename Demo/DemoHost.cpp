#include "Demo/DemoHost.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "CoreSimulator/SupportDesk.h"
#include "Demo/RemoteDesk.h"
#include "NetworkCore/NetworkCore.h"
#include "Demo/HostHomeViewController.h"
#include "Demo/HostStoryboard.h"
#include "Dispatch/RunLoop.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Velmaro.h"

using namespace velmaro;

struct DemoHost::Setup {
    std::mutex mutex;
    bool done = false;
    std::map<std::string, std::string> ids;
    std::string problem;
};

namespace {

const char* const kAgentAnswer = "Thank you for your message. I am looking into it right away.";

// The network core as this host uses it: the host may ask who writes whatever the tenant says
// (as it may on the embedded desk), and the user's first registration is followed, before the
// screens hear of it, by setting up the user's history on the desk.
class HostNetworkCore : public CoreLibrary {
public:
    HostNetworkCore(std::shared_ptr<NetworkCore> core, bool userNameRequired,
                    std::function<void(const std::string& token)> registered)
        : core_(std::move(core)), userNameRequired_(userNameRequired), registered_(std::move(registered)) {}

    void getAllConversations(std::optional<StringDictionary> parameters,
                             ServiceCompletion<std::vector<ConversationModel>> completion) override {
        core_->getAllConversations(std::move(parameters), std::move(completion));
    }
    void getConversation(std::string conversationId, ServiceCompletion<ConversationModel> completion) override {
        core_->getConversation(std::move(conversationId), std::move(completion));
    }
    void createConversation(std::optional<StringDictionary> parameters,
                            ServiceCompletion<ConversationModel> completion) override {
        core_->createConversation(std::move(parameters), std::move(completion));
    }
    void setConversationSeen(std::string conversationId, ServiceCompletion<ConversationModel> completion) override {
        core_->setConversationSeen(std::move(conversationId), std::move(completion));
    }
    void getSatisfactionScores(ServiceCompletion<std::vector<SatisfactionScoreModel>> completion) override {
        core_->getSatisfactionScores(std::move(completion));
    }
    void sendConversationScore(std::string conversationId, std::string scoreId,
                               ServiceCompletion<ConversationModel> completion) override {
        core_->sendConversationScore(std::move(conversationId), std::move(scoreId), std::move(completion));
    }
    void createEndUser(std::optional<StringDictionary> userParameters, ServiceCompletion<UserModel> completion) override {
        core_->createEndUser(std::move(userParameters),
                             [core = core_, registered = registered_, completion = std::move(completion)](
                                 std::optional<UserModel> user, std::optional<ServiceError> error) {
                                 if (user && registered) registered(core->signedInToken());
                                 if (completion) completion(std::move(user), std::move(error));
                             });
    }
    void updateUser(StringDictionary userParameters, ServiceCompletion<UserModel> completion) override {
        core_->updateUser(std::move(userParameters), std::move(completion));
    }
    std::optional<UserModel> loadUser() override { return core_->loadUser(); }
    void authenticateUser(UserModel user, UserModel::AuthenticationCompletion completion) override {
        core_->authenticateUser(std::move(user), std::move(completion));
    }
    void clearUserDetails(UserModel user) override { core_->clearUserDetails(std::move(user)); }
    std::optional<Config> loadConfig() override {
        auto config = core_->loadConfig();
        if (config && userNameRequired_) config->userNameRequired = true;
        return config;
    }
    void configureChat(std::optional<std::string> tenantId, std::optional<std::string> userId,
                       std::optional<std::string> chatId, std::weak_ptr<ChatEventDelegate> delegate) override {
        core_->configureChat(std::move(tenantId), std::move(userId), std::move(chatId), std::move(delegate));
    }
    void connectChat(std::optional<std::string> firstMessage) override { core_->connectChat(std::move(firstMessage)); }
    double sendMessage(std::string message) override { return core_->sendMessage(std::move(message)); }
    void subscribe() override { core_->subscribe(); }
    void disconnectChat() override { core_->disconnectChat(); }

    const std::shared_ptr<NetworkCore>& network() const { return core_; }

private:
    std::shared_ptr<NetworkCore> core_;
    bool userNameRequired_;
    std::function<void(const std::string&)> registered_;
};

}  // namespace

const UIColor& DemoHost::acmeRed() {
    static const UIColor red = colorWithHexValue(0xD0021B);
    return red;
}

DemoHost::DemoHost(Options options) : options_(std::move(options)) {
    HostStoryboard::registerScenes([this](HostHomeViewController& home) { home.onHelpRequested = [this] { startSupport(); }; });
    if (options_.deskUrl) {
        useRemoteDesk();
    } else {
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
    }

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
    core_.reset();
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

void DemoHost::useRemoteDesk() {
    const auto addresses = deskAddresses(*options_.deskUrl);
    remote_ = std::make_shared<RemoteDesk>(addresses, options_.agentFile);
    setup_ = std::make_shared<Setup>();
    NetworkCore::Options network;
    // Every address: the layer moves to the next desk on its own when one is gone.
    network.deskUrls = addresses;
    network.connectTimeout = std::chrono::milliseconds(2000);
    network.requestTimeout = std::chrono::milliseconds(10000);
    // Runs on the core's thread while the layer waits for the registration: the start screen that
    // follows it finds the history there, as it does on the embedded desk.
    auto registered = [remote = remote_, setup = setup_](const std::string& token) {
        {
            std::lock_guard lock(setup->mutex);
            if (setup->done) return;
            setup->done = true;
        }
        std::map<std::string, std::string> ids;
        std::string problem;
        try {
            ids = remote->seedHistory(token);
        } catch (const std::exception& error) {
            problem = error.what();
        }
        std::lock_guard lock(setup->mutex);
        setup->ids = std::move(ids);
        setup->problem = std::move(problem);
    };
    core_ = std::make_shared<HostNetworkCore>(std::make_shared<NetworkCore>(network), options_.userNameRequired,
                                              registered);
    installCoreLibrary(core_);
}

UIColor DemoHost::brandColor() const {
    if (!remote_) return acmeRed();
    auto config = core_->loadConfig();
    if (!config) return acmeRed();
    const auto& c = config->primaryColor;
    return UIColor(c.red, c.green, c.blue, c.alpha);
}

std::optional<std::string> DemoHost::conversationId(const std::string& name) const {
    if (!remote_) return desk_->conversation(name) ? std::optional(name) : std::nullopt;
    {
        std::lock_guard lock(setup_->mutex);
        if (auto it = setup_->ids.find(name); it != setup_->ids.end()) return it->second;
    }
    return remote_->hasConversation(name) ? std::optional(name) : std::nullopt;
}

bool DemoHost::anyUserRegistered() const {
    if (!remote_) return !desk_->users().empty();
    return core_->loadUser().has_value();
}

std::string DemoHost::lastNameOnDesk() const {
    if (!remote_) {
        auto users = desk_->users();
        return users.empty() ? std::string() : users.back().lastName;
    }
    // Asked in a loop while the screens wait: a short pause keeps it from flooding the desk.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto user = remote_->user(static_cast<HostNetworkCore&>(*core_).network()->signedInToken());
    return user.is_object() ? user.value("lastName", "") : std::string();
}

std::optional<std::string> DemoHost::conversationScore(const std::string& conversationId) const {
    return remote_ ? remote_->conversationScore(conversationId) : desk_->conversationScore(conversationId);
}

bool DemoHost::agentSays(const std::string& conversationId, const std::string& text) const {
    if (remote_) return remote_->agentSays(conversationId, text);
    desk_->agentSays(text);
    return true;
}

bool DemoHost::agentAnswers(const std::string& conversationId) const {
    return !remote_ || remote_->agentSays(conversationId, kAgentAnswer);
}

std::string DemoHost::setupProblem() const {
    if (!setup_) return {};
    std::lock_guard lock(setup_->mutex);
    return setup_->problem;
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
    if (remote_) {
        auto user = core_->loadUser();
        if (!user) return "support desk at " + remote_->url() + ": no user registered from this app";
        std::string name = user->firstName;
        if (!user->lastName.empty()) name += (name.empty() ? "" : " ") + user->lastName;
        return "support desk at " + remote_->url() + ": signed in as " +
               (user->userName.empty() ? std::string("an anonymous user") : user->userName) +
               (name.empty() ? "" : " (" + name + ")");
    }
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
