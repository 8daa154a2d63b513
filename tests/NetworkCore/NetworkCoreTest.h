#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>

#include "NetworkCore/NetworkCore.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "support/Desk/LoopbackDesk.h"
#include "support/Platform/ScratchFolder.h"

namespace velmaro::testing_desk {

using namespace std::chrono_literals;

// What a completion answered, waited for on the test's thread.
template <class T>
struct Outcome {
    std::optional<T> result;
    std::optional<ServiceError> error;
};
template <class T, class Call>
Outcome<T> wait(Call call) {
    auto promise = std::make_shared<std::promise<Outcome<T>>>();
    auto future = promise->get_future();
    call([promise](std::optional<T> result, std::optional<ServiceError> error) {
        promise->set_value({std::move(result), std::move(error)});
    });
    if (future.wait_for(20s) != std::future_status::ready) {
        ADD_FAILURE() << "no completion";
        return {};
    }
    return future.get();
}

// The chat's events, in order, as the core delivered them.
class Recorder : public ChatEventDelegate {
public:
    void connecting() override { note("connecting"); }
    void connected() override { note("connected"); }
    void disconnected() override { note("disconnected"); }
    void chatErrorReceived(const std::string& error) override { note("error: " + error); }
    void chatMessageReceived(const AnyDictionary& message) override {
        auto record = MessageModel::fromJson(message);
        ASSERT_TRUE(record);
        std::lock_guard lock(mutex_);
        messages_.push_back(*record);
        changed_.notify_all();
    }

    bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, predicate);
    }
    bool waitFor(const std::string& state, std::size_t times = 1) {
        return waitUntil([&] { return std::count(states_.begin(), states_.end(), state) >= static_cast<long>(times); });
    }
    // Locked by waitUntil, or read once the core is quiet.
    std::vector<std::string> states_;
    std::vector<MessageModel> messages_;
    std::vector<MessageModel> fromCustomer() {
        std::lock_guard lock(mutex_);
        std::vector<MessageModel> list;
        for (auto& m : messages_)
            if (m.senderType == "CUSTOMER") list.push_back(m);
        return list;
    }
    std::size_t count(const std::string& senderType) const {
        return static_cast<std::size_t>(std::count_if(messages_.begin(), messages_.end(),
                                                      [&](auto& m) { return m.senderType == senderType; }));
    }

private:
    void note(std::string state) {
        std::lock_guard lock(mutex_);
        states_.push_back(std::move(state));
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
};

// A core with short timeouts on the desk's addresses, tried in this order.
inline std::shared_ptr<NetworkCore> coreOn(std::vector<std::string> urls,
                                           std::function<void(const AnyDictionary&)> push = nullptr) {
    NetworkCore::Options options;
    options.deskUrls = std::move(urls);
    options.connectTimeout = 1s;
    options.requestTimeout = 2s;
    options.retryDelay = 20ms;
    options.firstReconnectDelay = 20ms;
    options.maximumReconnectDelay = 200ms;
    options.socketIdleTimeout = 1s;
    options.pushNotificationReceived = std::move(push);
    return std::make_shared<NetworkCore>(options);
}

inline UserModel registerUser(NetworkCore& core, const std::string& name) {
    auto user = wait<UserModel>([&](auto done) { core.createEndUser(StringDictionary{{"userName", name}}, done); });
    EXPECT_TRUE(user.result) << (user.error ? user.error->customDescription : "");
    return user.result.value_or(UserModel{});
}
inline ConversationModel open(NetworkCore& core, const std::string& description) {
    auto conversation = wait<ConversationModel>(
        [&](auto done) { core.createConversation(StringDictionary{{"description", description}}, done); });
    EXPECT_TRUE(conversation.result) << (conversation.error ? conversation.error->customDescription : "");
    return conversation.result.value_or(ConversationModel{});
}
// A connected chat on the conversation.
inline std::shared_ptr<Recorder> chat(NetworkCore& core, const UserModel& user, const std::string& conversationId) {
    auto recorder = std::make_shared<Recorder>();
    core.configureChat("acme", user.id, conversationId, recorder);
    core.connectChat(std::nullopt);
    EXPECT_TRUE(recorder->waitFor("connected"));
    return recorder;
}

// Pushes as a host receives them, on the core's thread.
class PushInbox {
public:
    std::function<void(const AnyDictionary&)> receiver() {
        return [this](const AnyDictionary& payload) {
            std::lock_guard lock(mutex_);
            pushes_.push_back(payload);
            changed_.notify_all();
        };
    }
    // Has `write` say something until a push comes (the notice socket opens on its own time);
    // answers the first push, or nothing.
    std::optional<AnyDictionary> waitForOne(const std::function<void()>& write) {
        std::unique_lock lock(mutex_);
        for (int attempt = 0; attempt < 50 && pushes_.empty(); ++attempt) {
            lock.unlock();
            write();
            lock.lock();
            changed_.wait_for(lock, 100ms, [&] { return !pushes_.empty(); });
        }
        if (pushes_.empty()) return std::nullopt;
        return pushes_.front();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<AnyDictionary> pushes_;
};

class NetworkCoreTest : public ::testing::Test {
protected:
    NetworkCoreTest() : folder_("network-core"), desk_((folder_.path() / "desk.db").string()), agentHttp_(desk_.url()) {}

    std::shared_ptr<NetworkCore> makeCore(const std::string& url,
                                          std::function<void(const AnyDictionary&)> push = nullptr) {
        return coreOn({url}, std::move(push));
    }

    // The customer's messages the desk holds, oldest first.
    std::vector<std::string> customerTexts(const std::string& conversationId) {
        std::vector<std::string> texts;
        for (auto& message : agentHttp_.messages(agent(), conversationId))
            if (message.value("senderType", "") == "CUSTOMER") texts.push_back(message.value("message", ""));
        return texts;
    }
    std::string agent() {
        if (agentToken_.empty()) agentToken_ = agentHttp_.agentToken();
        return agentToken_;
    }

    ScratchFolder folder_;
    LoopbackDesk desk_;
    TestHttp agentHttp_;
    std::string agentToken_;
};

}  // namespace velmaro::testing_desk
