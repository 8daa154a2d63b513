#include <gtest/gtest.h>

#include <map>

#include "DeskChatTest.h"
#include "NetworkCore/NetworkCore.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "UIKit/UINavigationController.h"
#include "support/Desk/LoopbackDesk.h"
#include "support/Platform/ScratchFolder.h"

using namespace velmaro;
using namespace velmaro::testing_desk;

namespace {

enum class CoreKind { embedded, network };

// The chat screen over either core: the embedded desk in this process, or the network core
// talking to a velmaro-desk on loopback through a proxy the test can cut. The desk side (the
// agent, what the desk holds, the link) is reached the way each desk offers it.
class ChatOnBothCoresTest : public DeskChatTest, public ::testing::WithParamInterface<CoreKind> {
protected:
    void TearDown() override {
        installCoreLibrary(nullptr);
        network_.reset();
        proxy_.reset();
        loopback_.reset();
        DeskChatTest::TearDown();
    }

    void installCore() {
        if (GetParam() == CoreKind::embedded) return installDesk();
        folder_ = std::make_unique<ScratchFolder>("chat-on-both-cores");
        loopback_ = std::make_unique<LoopbackDesk>((folder_->path() / "desk.db").string());
        proxy_ = std::make_unique<Proxy>(loopback_->port());
        agentHttp_ = std::make_unique<TestHttp>(loopback_->url());
        agentToken_ = agentHttp_->agentToken();
        NetworkCore::Options options;
        options.deskUrl = proxy_->url();
        options.connectTimeout = std::chrono::milliseconds(1000);
        options.requestTimeout = std::chrono::milliseconds(2000);
        options.firstReconnectDelay = std::chrono::milliseconds(20);
        options.maximumReconnectDelay = std::chrono::milliseconds(200);
        options.socketIdleTimeout = std::chrono::milliseconds(1000);
        installCoreLibrary(nullptr);
        network_ = std::make_shared<NetworkCore>(options);
        installCoreLibrary(network_);
        auto answered = std::make_shared<bool>(false);
        CoreService::shared().createEndUser(StringDictionary{{"userName", "ann@acme.example"}}, [answered](auto, auto) {
            DispatchQueue::main().async([answered] { *answered = true; });
        });
        ASSERT_TRUE(runUntil([&] { return *answered; }));
        ASSERT_TRUE(UserModel::loadUser());
    }

    // An open conversation of the signed-in user with the agent's greeting.
    ConversationModel openConversation() {
        if (GetParam() == CoreKind::embedded) return seedConversation();
        std::optional<ConversationModel> opened;
        ConversationService::shared().createConversation(StringDictionary{{"description", "Help"}},
                                                         [&](auto conversation, auto) {
                                                             DispatchQueue::main().async([&, conversation] { opened = conversation; });
                                                         });
        EXPECT_TRUE(runUntil([&] { return opened.has_value(); }));
        if (!opened) return {};
        EXPECT_EQ(agentHttp_->agentSays(agentToken_, opened->id, "Welcome!"), 201);
        return *opened;
    }

    // A chat screen on `conversation`, live and taking messages.
    std::shared_ptr<ChatViewController> openLive(const ConversationModel& conversation) {
        auto chat = open(conversation);
        EXPECT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "the chat never went live";
        return chat;
    }

    void agentSays(const std::string& conversationId, const std::string& text) {
        if (GetParam() == CoreKind::embedded) return desk->agentSays(text);
        EXPECT_EQ(agentHttp_->agentSays(agentToken_, conversationId, text), 201);
    }

    void dropLink() {
        if (GetParam() == CoreKind::embedded) return desk->dropConnection();
        proxy_->cutAll();
    }

    // The user's messages the desk holds, oldest first.
    std::vector<std::string> held(const std::string& conversationId) {
        std::vector<std::string> texts;
        if (GetParam() == CoreKind::embedded) {
            if (auto conversation = desk->conversation(conversationId))
                for (const auto& activity : conversation->activities)
                    for (const auto& content : activity.contents)
                        if (content.direction == "INBOUND") texts.push_back(content.text);
            return texts;
        }
        for (auto& message : agentHttp_->messages(agentToken_, conversationId))
            if (message.value("senderType", "") == "CUSTOMER") texts.push_back(message.value("message", ""));
        return texts;
    }

    void send(ChatViewController& chat, const std::string& text) {
        UIEventGenerator::type(chat.fldMessage.get(), text);
        UIEventGenerator::tap(chat.btnSend.get());
        drain();
    }
    std::vector<std::string> mine(ChatViewController& chat, bool withSeen = true) {
        std::vector<std::string> rows;
        for (const auto& row : rowsOnGlass(chat))
            if (row.kind == "me") rows.push_back(row.text + (withSeen && row.seen ? " (seen)" : ""));
        return rows;
    }
    std::vector<std::string> agentRows(ChatViewController& chat) {
        std::vector<std::string> rows;
        for (const auto& row : rowsOnGlass(chat))
            if (row.kind == "agent") rows.push_back(row.text);
        return rows;
    }
    std::string status(ChatViewController& chat) { return chat.lblChatStatus->text().value_or(""); }
    // The status strip the moment the link's loss reaches the screen (a reconnection may follow
    // within milliseconds).
    std::string statusWhenTheFieldGoesOff(ChatViewController& chat) {
        std::string seen;
        waitFor([&] {
            if (chat.fldMessage->isEnabled()) return false;
            seen = status(chat);
            return true;
        }, 5.0);
        return seen;
    }

    std::unique_ptr<ScratchFolder> folder_;
    std::unique_ptr<LoopbackDesk> loopback_;
    std::unique_ptr<Proxy> proxy_;
    std::unique_ptr<TestHttp> agentHttp_;
    std::string agentToken_;
    std::shared_ptr<NetworkCore> network_;
};

// Chats opened, used and closed one after another: every message echoed and shown seen, every
// closed screen destroyed, the sockets of the network core included.
TEST_P(ChatOnBothCoresTest, ChatsOpenSendAndCloseCleanly) {
    installCore();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE("chat " + std::to_string(i));
        auto chat = openLive(openConversation());
        send(*chat, "Hello");
        send(*chat, "Thanks");
        ASSERT_TRUE(runUntil([&] { return chat->unconfirmedMessages.empty(); }));
        ASSERT_EQ(mine(*chat), (std::vector<std::string>{"Hello (seen)", "Thanks (seen)"}));
        close(chat);
    }
    EXPECT_TRUE(closedChatsDestroyed());
}

// The link drops mid-chat: "Disconnected" shows, the typed text stays, the chat comes back by
// itself, and every message shows once, in order, seen only once the desk has it.
TEST_P(ChatOnBothCoresTest, ADroppedLinkLosesNothing) {
    installCore();
    const ConversationModel conversation = openConversation();
    auto chat = openLive(conversation);
    send(*chat, "one");
    send(*chat, "two");
    UIEventGenerator::type(chat->fldMessage.get(), "three");
    dropLink();
    EXPECT_EQ(statusWhenTheFieldGoesOff(*chat), "Disconnected");
    EXPECT_EQ(chat->fldMessage->text().value_or(""), "three") << "typed text lost";
    ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled(); })) << "no reconnection";
    UIEventGenerator::tap(chat->btnSend.get());
    drain();
    agentSays(conversation.id, "Got them");
    auto shows = [&](const std::string& text) {
        auto rows = agentRows(*chat);
        return std::count(rows.begin(), rows.end(), text);
    };
    ASSERT_TRUE(runUntil([&] { return chat->unconfirmedMessages.empty() && shows("Got them") > 0; }))
        << testing::PrintToString(mine(*chat)) << testing::PrintToString(agentRows(*chat));
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"one (seen)", "two (seen)", "three (seen)"}));
    EXPECT_EQ(held(conversation.id), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(shows("Got them"), 1);
    EXPECT_EQ(shows("Welcome!"), 1);
    close(chat);
    EXPECT_TRUE(closedChatsDestroyed());
}

INSTANTIATE_TEST_SUITE_P(Cores, ChatOnBothCoresTest, ::testing::Values(CoreKind::embedded, CoreKind::network),
                         [](const auto& param) { return param.param == CoreKind::embedded ? "embedded" : "network"; });

// What only a desk over the network does: stop and start again, or answer badly.
class ChatOnTheNetworkTest : public ChatOnBothCoresTest {
protected:
    // The network core on a desk that answers every request with `answer` (or never).
    void installBrokenDesk(std::string answer) {
        broken_ = std::make_unique<BrokenDesk>(std::move(answer));
        NetworkCore::Options options;
        options.deskUrl = broken_->url();
        options.requestTimeout = std::chrono::milliseconds(300);
        options.retryDelay = std::chrono::milliseconds(10);
        installCoreLibrary(nullptr);
        network_ = std::make_shared<NetworkCore>(options);
        installCoreLibrary(network_);
    }
    void TearDown() override {
        ChatOnBothCoresTest::TearDown();
        broken_.reset();
    }
    std::unique_ptr<BrokenDesk> broken_;
};

// The desk stops mid-chat and starts again over the same database: the chat shows
// "Disconnected", comes back by itself, and shows what the agent wrote meanwhile, once.
TEST_P(ChatOnTheNetworkTest, ADeskRestartedMidChatMissesNothing) {
    installCore();
    const ConversationModel conversation = openConversation();
    auto chat = openLive(conversation);
    send(*chat, "before");
    ASSERT_TRUE(runUntil([&] { return chat->unconfirmedMessages.empty(); }));
    loopback_->stop();
    EXPECT_EQ(statusWhenTheFieldGoesOff(*chat), "Disconnected");
    loopback_->start();
    agentSays(conversation.id, "Written meanwhile");
    ASSERT_TRUE(runUntil([&] { return chat->fldMessage->isEnabled() && agentRows(*chat).size() == 2; }, 5.0))
        << testing::PrintToString(agentRows(*chat)) << status(*chat);
    EXPECT_EQ(agentRows(*chat), (std::vector<std::string>{"Welcome!", "Written meanwhile"}));
    send(*chat, "after");
    ASSERT_TRUE(runUntil([&] { return chat->unconfirmedMessages.empty(); }));
    EXPECT_EQ(mine(*chat), (std::vector<std::string>{"before (seen)", "after (seen)"}));
    close(chat);
}

// A desk that answers garbage, a server error or nothing: the chat shows an "Error" alert with
// words, and stays.
TEST_P(ChatOnTheNetworkTest, ABrokenDeskShowsAnError) {
    const std::pair<const char*, std::string> answers[] = {
        {"garbage", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n{nope"},
        {"server error", "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"},
        {"nothing", ""},
    };
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        installBrokenDesk(answer);
        ConversationModel conversation = acmeConversation();
        auto chat = open(conversation);
        ASSERT_TRUE(runUntil([&] { return GlassReader::visibleAlert(window()) != nullptr; }, 5.0));
        auto alert = GlassReader::visibleAlert(window());
        EXPECT_EQ(alert->title().value_or(""), "Error");
        EXPECT_FALSE(alert->message().value_or("").empty());
        dismissAlerts();
        EXPECT_FALSE(chat->fldMessage->isEnabled()) << "a chat without its conversation takes no message";
        EXPECT_EQ(hostNavigation()->topViewController(), chat) << "the chat stays, to be tried again";
        close(chat);
        installCoreLibrary(nullptr);
        network_.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Cores, ChatOnTheNetworkTest, ::testing::Values(CoreKind::network),
                         [](const auto&) { return std::string("network"); });

}  // namespace
