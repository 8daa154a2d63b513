#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Desk/DeskEngine.h"
#include "Desk/Records.h"

namespace velmaro::deskserver {

// The limits of the wire (docs/protocol.md lists them).
struct Limits {
    static constexpr std::size_t body = 64 * 1024;
    static constexpr std::size_t header = 8 * 1024;
    static constexpr std::size_t frame = 16 * 1024;
    static constexpr std::size_t jsonDepth = 16;
    static constexpr std::size_t id = 100;
    static constexpr std::size_t queuedEvents = 4096;  // per WebSocket, before a slow reader is dropped
};

// A request the desk refuses: the HTTP status and a problem document naming the fault.
class ProblemError : public std::runtime_error {
public:
    ProblemError(int status_, std::string slug_, std::string title_, std::string detail, std::string field_ = {})
        : std::runtime_error(detail), status(status_), slug(std::move(slug_)), title(std::move(title_)),
          field(std::move(field_)) {}
    int status;
    std::string slug;
    std::string title;
    std::string field;
};

// The problem document (application/problem+json) of an error.
nlohmann::json problemJson(const ProblemError& problem);
// A refusal of the engine as the wire says it.
ProblemError problemFrom(const desk::DeskError& error);

// A request body: a JSON object of bounded size and depth, valid UTF-8. Throws ProblemError.
nlohmann::json parseObject(std::string_view text);
// A text member: absent gives nullopt; present but not a string is a 400 naming the member.
std::optional<std::string> stringMember(const nlohmann::json& object, const char* name);
std::string requiredString(const nlohmann::json& object, const char* name);

// A request target split into path segments and query parameters, both percent-decoded.
struct Target {
    std::vector<std::string> segments;
    std::map<std::string, std::string> query;
    std::string path;  // as sent, without the query: what the log shows
};
// Throws ProblemError for a malformed target.
Target parseTarget(std::string_view target);
// An id from a path: letters, digits, '-' and '_', at most Limits::id. Throws 400 naming `field`.
const std::string& validId(const std::string& id, const char* field);
// A non-negative integer query parameter, or the fallback when absent. Throws 400.
std::int64_t integerParameter(const Target& target, const char* name, std::int64_t fallback, std::int64_t max);

// What a chat WebSocket's client sends.
struct ChatCommand {
    std::string message;
    std::string clientMessageId;
};
// A client frame of a chat: {"type":"send","message":…,"clientMessageId":…}. Throws ProblemError.
ChatCommand parseChatFrame(std::string_view text);

// Times on the wire: "yyyy-MM-dd'T'HH:mm:ss.SSS+0000" (UTC).
std::string wireDate(desk::Millis millis);

nlohmann::json userJson(const desk::User& user);
nlohmann::json agentJson(const desk::Agent& agent);
nlohmann::json tenantJson(const desk::Tenant& tenant);
nlohmann::json messageJson(const desk::Message& message);
// A conversation; with `messages`, its activities (one per message, oldest first).
nlohmann::json conversationJson(const desk::Conversation& conversation, const std::vector<desk::Message>& messages);
nlohmann::json agentConversationJson(const desk::Conversation& conversation);
// A live event of a chat about a message: RECEIVED_MESSAGE_RESPONSE, or
// INTERACTION_CLOSED_RESPONSE for the closing entry.
nlohmann::json chatEvent(const desk::Message& message);

}  // namespace velmaro::deskserver
