#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace velmaro::desk {

// Milliseconds since 1970 in UTC; every time the desk keeps.
using Millis = std::int64_t;

struct Tenant {
    std::string id;
    std::string name;
    std::string avatarUrl;
    std::string primaryColor;  // "#RRGGBB"
    bool userNameRequired = false;
};

struct User {
    std::string id;
    std::string tenantId;
    std::string userName;
    std::string firstName;
    std::string lastName;
    std::string avatarUrl;
    Millis createdAt = 0;
};

struct Agent {
    std::string id;
    std::string tenantId;
    std::string email;
    std::string name;
    std::string avatarUrl;
};

struct Conversation {
    std::string id;
    std::string tenantId;
    std::string userId;
    std::int64_t number = 0;  // per tenant, from 1
    std::string subject;
    std::string description;
    std::string status;  // "OPEN" or "CLOSED"
    std::string agentId;
    std::string agentName;
    std::string agentAvatarUrl;
    Millis createdAt = 0;
    Millis updatedAt = 0;
    std::int64_t unseenByUser = 0;
    std::int64_t unseenByAgent = 0;
    std::int64_t lastOffset = 0;  // offset of the newest message; 0 before the first
    std::string scoreId;          // empty until rated
};

// One entry of a conversation's stream. `offset` counts from 1 without gaps within the
// conversation; `id` is unique across the desk.
struct Message {
    std::int64_t id = 0;
    std::string conversationId;
    std::int64_t offset = 0;
    std::string direction;    // "INBOUND" (customer), "OUTBOUND" (agent), "SYSTEM"
    std::string contentType;  // "TEXT", "CONVERSATION_STARTED", "CONVERSATION_CLOSED"
    std::string text;
    std::string eventDescription;
    std::string agentId;
    std::string clientKey;  // the sender's key for a retry; empty when none
    Millis createdAt = 0;
};

struct SatisfactionScore {
    std::string id;
    std::string label;
};

// A rule of the desk said no. `field` names the input at fault, when one is.
class DeskError : public std::runtime_error {
public:
    enum class Code { invalid, unauthorized, forbidden, notFound, conflict, unavailable };
    DeskError(Code code, std::string message, std::string field = {})
        : std::runtime_error(std::move(message)), code_(code), field_(std::move(field)) {}
    Code code() const { return code_; }
    const std::string& field() const { return field_; }

private:
    Code code_;
    std::string field_;
};

}  // namespace velmaro::desk
