#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <string>
#include <vector>

#include "Desk/DeskStore.h"
#include "Desk/Records.h"
#include "Desk/Secrets.h"

namespace velmaro::desk {

// The rules of the support desk over a store: registration, conversations, the live stream of
// messages with its offsets, rating, agents. Synchronous and safe to call from any thread; calls
// are serialised. Every refusal throws DeskError, with nothing stored.
class DeskEngine {
public:
    // Bounds on what callers hand in, in bytes.
    static constexpr std::size_t kMessageLimit = 4096;
    static constexpr std::size_t kDescriptionLimit = 4096;
    static constexpr std::size_t kNameLimit = 200;
    static constexpr std::size_t kClientKeyLimit = 100;

    // What happened, told to the listener after it was committed and in commit order.
    struct Event {
        enum class Kind { message, conversationChanged };
        Kind kind = Kind::message;
        Conversation conversation;      // as it stands after the change
        std::optional<Message> message;  // for Kind::message
    };

    struct Options {
        std::function<Millis()> clock;  // empty: the system clock
        secrets::PasswordCost passwordCost = secrets::PasswordCost::interactive;
        // Called under the desk's serialisation, in commit order; must not call the desk.
        std::function<void(const Event&)> listener;
        // Whether the customer has the conversation's chat open; an agent's message there is
        // seen as it arrives. Called under the desk's serialisation; must not call the desk.
        std::function<bool(const std::string& conversationId)> customerWatching;
        // When the store shares its database with other desks: what they commit reaches the
        // listener too (as it stands when heard), and this says that some of it may have been
        // missed, so that readers catch up by offset. Called under the desk's serialisation.
        std::function<void()> othersMissed;
    };

    struct Registration {
        User user;
        std::string token;  // shown once; the desk keeps only its hash
    };
    struct AgentSession {
        Agent agent;
        std::string token;
    };
    // A message sent, and whether it was sent before with the same key (nothing new stored).
    struct Sent {
        Message message;
        Conversation conversation;
        bool repeated = false;
    };
    struct GivenScore {
        Conversation conversation;
        std::string scoreId;
    };

    DeskEngine(std::unique_ptr<DeskStore> store, Options options);
    explicit DeskEngine(std::unique_ptr<DeskStore> store) : DeskEngine(std::move(store), Options{}) {}
    ~DeskEngine();
    DeskEngine(const DeskEngine&) = delete;
    DeskEngine& operator=(const DeskEngine&) = delete;
    // Stops telling the listener what other desks commit (waits for a telling in progress).
    // Owners whose listener dies before the desk call it first.
    void stopHearingOthers();

    // The rating scale, worst first.
    static const std::vector<SatisfactionScore>& satisfactionScores();
    static std::string senderType(const Message& message);  // "CUSTOMER", "AGENT", "ANNOUNCER"

    // --- Tenants and agents (set up by the operator)
    void putTenant(const Tenant& tenant);
    std::optional<Tenant> tenant(const std::string& tenantId);
    // Adds an agent, or leaves one with that e-mail as it is. Answers the agent.
    Agent ensureAgent(const std::string& tenantId, const std::string& email, const std::string& name,
                      const std::string& password, const std::string& avatarUrl = {});
    bool hasAgent(const std::string& tenantId, const std::string& email);
    AgentSession signInAgent(const std::string& tenantId, const std::string& email, const std::string& password);
    // Throws unauthorized for an unknown or malformed token.
    Agent agentForToken(const std::string& token);
    // Ends the session: the token is unknown from now on. Throws unauthorized as agentForToken.
    void signOutAgent(const std::string& token);

    // --- End users
    // A new user of the tenant. A user name some user already has is refused (conflict) unless
    // `callerUserId` is that user, who is then answered with names updated and a fresh token.
    Registration registerUser(const std::string& tenantId, const std::string& userName,
                              const std::string& firstName, const std::string& lastName,
                              const std::string& callerUserId = {});
    User userForToken(const std::string& token);
    User updateUser(const std::string& userId, const std::optional<std::string>& firstName,
                    const std::optional<std::string>& lastName);
    std::vector<User> users(const std::string& tenantId);
    std::optional<User> user(const std::string& userId);

    // --- A conversation brought in as it stood elsewhere (a history kept before this desk, a
    // demo's past): its id, number, dates, status, agent and unseen counts are kept, and the
    // messages are stored in order with offsets from 1. A missing id, number, status or date is
    // filled; a taken id or number is a conflict; the customer and a named agent must be of one
    // tenant. Answers the conversation as stored.
    Conversation importConversation(Conversation conversation, std::vector<Message> history);

    // --- The customer's side; a conversation of another user is not found.
    std::vector<Conversation> conversationsOf(const std::string& userId, bool onlyUnseen);
    Conversation conversationOf(const std::string& userId, const std::string& conversationId);
    Conversation createConversation(const std::string& userId, const std::string& description);
    Conversation markSeenByUser(const std::string& userId, const std::string& conversationId);
    // The customer writes. A repeated `clientKey` answers the message stored the first time.
    Sent customerSays(const std::string& userId, const std::string& conversationId, const std::string& text,
                      const std::string& clientKey = {});
    Conversation rate(const std::string& userId, const std::string& conversationId, const std::string& scoreId);

    // --- The agent's side; a conversation of another tenant is not found.
    std::vector<Conversation> tenantConversations(const Agent& agent, const std::optional<std::string>& status);
    Conversation conversationForAgent(const Agent& agent, const std::string& conversationId);
    // Reading the messages as an agent marks them seen by the agents.
    Conversation markSeenByAgent(const Agent& agent, const std::string& conversationId);
    // The agent writes; the first agent to write is assigned the conversation.
    Sent agentSays(const Agent& agent, const std::string& conversationId, const std::string& text,
                   const std::string& clientKey = {});
    Conversation close(const Agent& agent, const std::string& conversationId);
    std::vector<GivenScore> scoresGiven(const Agent& agent);

    // --- Retries of creating requests
    // A request that carries a retry key: who asks ("user:…", "agent:…", or "anonymous"), the key
    // they chose, and the request itself as a text that differs when anything asked differs.
    struct RetryKeyed {
        std::string caller;
        std::string key;
        std::string request;
    };
    // What a face answered, to be kept and given again.
    struct Answer {
        enum class Outcome { performed, repeated, keyReused };
        Outcome outcome = Outcome::performed;
        int status = 0;
        std::string body;
    };
    // How long an answer is kept for its retries.
    static constexpr Millis kAnswerKeptFor = 24 * 60 * 60 * 1000;
    // Runs `perform` (which calls the desk) once per caller and key: its changes and its answer
    // are kept in one transaction, and what it tells listeners is told after that commits. A
    // retry of the same request gets the kept answer (repeated) and changes nothing; another
    // request under the same key gets keyReused and changes nothing. A key that is not 16 to 128
    // characters of letters, digits, '-' and '_' is refused (invalid). Answers are kept sealed
    // under the key, which the desk does not keep.
    Answer once(const RetryKeyed& call, const std::function<Answer()>& perform);

    // Runs `work` (which calls the desk) as one transaction, so that many changes cost one
    // commit: all are kept, or none when the commit fails (which throws). A call within `work`
    // that throws undoes only its own changes. What `work` tells listeners waits for the commit;
    // `committed` runs after the commit and before the telling.
    void together(const std::function<void()>& work, const std::function<void()>& committed = {});

    // Runs `work` as together() does, after waiting until no other desk on the same database
    // runs work under `name`: what it checks stays true until it commits.
    void exclusively(const std::string& name, const std::function<void()>& work);

    // Messages above an offset, oldest first (no access check: callers check the conversation).
    std::vector<Message> messages(const std::string& conversationId, std::int64_t afterOffset,
                                  std::size_t limit = 1000);

private:
    Millis now() const;
    Conversation conversationLocked(const std::string& conversationId, bool forUpdate = false);
    // One change as one store transaction; its events wait for the outermost commit.
    void transactionLocked(const std::function<void()>& work, const std::function<void()>& committed = {});
    template <class Work>
    auto changeLocked(Work work) -> decltype(work()) {
        decltype(work()) result;
        transactionLocked([&] { result = work(); });
        return result;
    }
    void heardOf(const std::string& conversationId, std::int64_t offset);
    Sent appendLocked(Conversation conversation, Message message);
    void emitLocked(const Event& event);
    void tellLocked(const Event& event);
    static void checkText(const std::string& text, std::size_t limit, const char* field, bool required);

    std::unique_ptr<DeskStore> store_;
    Options options_;
    // Recursive: a keyed request's work calls the desk while the desk keeps it in one piece.
    std::recursive_mutex mutex_;
    bool holdingEvents_ = false;  // inside together(): events wait for its commit
    std::vector<Event> heldEvents_;
    std::unordered_map<std::string, std::int64_t> toldOffsets_;  // by conversation
};

}  // namespace velmaro::desk
