#include "DeskServer/Wire/Protocol.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "Desk/Secrets.h"

namespace velmaro::deskserver {

using nlohmann::json;

json problemJson(const ProblemError& problem) {
    json body{{"type", "/v1/problems/" + problem.slug},
              {"title", problem.title},
              {"status", problem.status},
              {"detail", problem.what()}};
    if (!problem.field.empty()) body["field"] = problem.field;
    return body;
}

ProblemError problemFrom(const desk::DeskError& error) {
    using Code = desk::DeskError::Code;
    switch (error.code()) {
    case Code::invalid: return {400, "invalid-request", "Invalid request", error.what(), error.field()};
    case Code::unauthorized: return {401, "unauthorized", "Unauthorized", error.what(), error.field()};
    case Code::forbidden: return {403, "forbidden", "Forbidden", error.what(), error.field()};
    case Code::notFound: return {404, "not-found", "Not found", error.what(), error.field()};
    case Code::conflict: return {409, "conflict", "Conflict", error.what(), error.field()};
    case Code::unavailable: break;
    }
    // The database's own words stay in the log.
    return {503, "unavailable", "Service unavailable", "the desk cannot answer now", ""};
}

namespace {

ProblemError badJson(std::string detail) {
    return {400, "malformed-json", "Malformed JSON", std::move(detail)};
}

// The deepest nesting of arrays and objects, without building anything.
std::size_t nestingDepth(std::string_view text, std::size_t stopAbove) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > stopAbove) return deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))
                throw ProblemError(400, "malformed-target", "Malformed target", "a broken percent escape");
            out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    if (!desk::isValidUtf8(out))
        throw ProblemError(400, "malformed-target", "Malformed target", "the target is not valid UTF-8");
    return out;
}

}  // namespace

json parseObject(std::string_view text) {
    if (text.size() > Limits::body)
        throw ProblemError(413, "too-large", "Body too large",
                           "the body is larger than " + std::to_string(Limits::body) + " bytes");
    if (!desk::isValidUtf8(std::string(text))) throw badJson("the body is not valid UTF-8");
    if (nestingDepth(text, Limits::jsonDepth) > Limits::jsonDepth)
        throw badJson("the JSON is nested deeper than " + std::to_string(Limits::jsonDepth) + " levels");
    json parsed = json::parse(text, nullptr, false);
    if (parsed.is_discarded()) throw badJson("the body is not JSON");
    if (!parsed.is_object()) throw badJson("the body must be a JSON object");
    return parsed;
}

std::optional<std::string> stringMember(const json& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end() || it->is_null()) return std::nullopt;
    if (!it->is_string())
        throw ProblemError(400, "invalid-request", "Invalid request", std::string(name) + " must be a string", name);
    return it->get<std::string>();
}

std::string requiredString(const json& object, const char* name) {
    auto value = stringMember(object, name);
    if (!value) throw ProblemError(400, "invalid-request", "Invalid request", std::string(name) + " is missing", name);
    return *value;
}

Target parseTarget(std::string_view target) {
    Target parsed;
    if (target.empty() || target.front() != '/')
        throw ProblemError(400, "malformed-target", "Malformed target", "the target must be a path");
    const auto question = target.find('?');
    std::string_view path = target.substr(0, question);
    parsed.path = std::string(path);
    std::size_t start = 1;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parsed.segments.push_back(percentDecoded(path.substr(start, end - start), false));
        start = end + 1;
    }
    if (question != std::string_view::npos) {
        std::string_view query = target.substr(question + 1);
        std::size_t begin = 0;
        while (begin <= query.size()) {
            auto end = query.find('&', begin);
            if (end == std::string_view::npos) end = query.size();
            std::string_view pair = query.substr(begin, end - begin);
            if (!pair.empty()) {
                auto equals = pair.find('=');
                std::string key = percentDecoded(pair.substr(0, equals), true);
                std::string value =
                    equals == std::string_view::npos ? std::string() : percentDecoded(pair.substr(equals + 1), true);
                parsed.query[key] = value;
            }
            begin = end + 1;
        }
    }
    return parsed;
}

const std::string& validId(const std::string& id, const char* field) {
    bool valid = !id.empty() && id.size() <= Limits::id;
    for (char c : id)
        valid = valid && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_');
    if (!valid)
        throw ProblemError(400, "invalid-id", "Invalid id",
                           std::string(field) + " must be 1 to " + std::to_string(Limits::id) +
                               " letters, digits, '-' or '_'",
                           field);
    return id;
}

std::int64_t integerParameter(const Target& target, const char* name, std::int64_t fallback, std::int64_t max) {
    auto it = target.query.find(name);
    if (it == target.query.end()) return fallback;
    const std::string& text = it->second;
    bool valid = !text.empty() && text.size() <= 18;
    for (char c : text) valid = valid && c >= '0' && c <= '9';
    std::int64_t value = valid ? std::stoll(text) : -1;
    if (!valid || value > max)
        throw ProblemError(400, "invalid-request", "Invalid request",
                           std::string(name) + " must be a whole number from 0 to " + std::to_string(max), name);
    return value;
}

ChatCommand parseChatFrame(std::string_view text) {
    json frame = parseObject(text);
    const std::string type = requiredString(frame, "type");
    if (type != "send")
        throw ProblemError(400, "invalid-request", "Invalid request", "unknown frame type \"" + type.substr(0, 40) + "\"",
                           "type");
    ChatCommand command;
    command.message = requiredString(frame, "message");
    command.clientMessageId = stringMember(frame, "clientMessageId").value_or("");
    return command;
}

std::string wireDate(desk::Millis millis) {
    std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    int fraction = static_cast<int>(millis % 1000);
    if (fraction < 0) {
        fraction += 1000;
        --seconds;
    }
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d+0000", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, fraction);
    return text;
}

json userJson(const desk::User& user) {
    return {{"id", user.id},
            {"userName", user.userName},
            {"firstName", user.firstName},
            {"lastName", user.lastName},
            {"avatarUrl", user.avatarUrl}};
}

json agentJson(const desk::Agent& agent) {
    return {{"id", agent.id}, {"email", agent.email}, {"name", agent.name}, {"avatarUrl", agent.avatarUrl},
            {"tenantId", agent.tenantId}};
}

json tenantJson(const desk::Tenant& tenant) {
    return {{"tenantId", tenant.id},
            {"name", tenant.name},
            {"avatarUrl", tenant.avatarUrl},
            {"primaryColor", tenant.primaryColor},
            {"userNameRequired", tenant.userNameRequired}};
}

json messageJson(const desk::Message& message) {
    return {{"messageId", message.id},
            {"conversationId", message.conversationId},
            {"offset", message.offset},
            {"senderType", desk::DeskEngine::senderType(message)},
            {"direction", message.direction},
            {"contentType", message.contentType},
            {"message", message.text},
            {"eventDescription", message.eventDescription},
            {"createdDateTime", wireDate(message.createdAt)}};
}

json conversationJson(const desk::Conversation& c, const std::vector<desk::Message>& messages) {
    json activities = json::array();
    for (const auto& m : messages)
        activities.push_back({{"contents",
                               json::array({{{"text", m.text},
                                             {"direction", m.direction},
                                             {"createdDateTime", wireDate(m.createdAt)},
                                             {"contentType", m.contentType},
                                             {"eventDescription", m.eventDescription},
                                             {"messageId", m.id},
                                             {"offset", m.offset}}})}});
    json body{{"id", c.id},
              {"number", c.number},
              {"subject", c.subject},
              {"description", c.description},
              {"dateTime", wireDate(c.createdAt)},
              {"status", c.status},
              {"activities", std::move(activities)},
              {"agentName", c.agentName},
              {"agentAvatarUrl", c.agentAvatarUrl},
              {"unseenActivityCount", c.unseenByUser},
              {"lastOffset", c.lastOffset}};
    if (!c.scoreId.empty()) body["scoreId"] = c.scoreId;
    return body;
}

json agentConversationJson(const desk::Conversation& c) {
    json body = conversationJson(c, {});
    body.erase("activities");
    body["userId"] = c.userId;
    body["agentId"] = c.agentId;
    body["unseenByAgent"] = c.unseenByAgent;
    body["updatedDateTime"] = wireDate(c.updatedAt);
    return body;
}

json chatEvent(const desk::Message& message) {
    json event = messageJson(message);
    event["type"] = message.contentType == "CONVERSATION_CLOSED" ? "INTERACTION_CLOSED_RESPONSE"
                                                                 : "RECEIVED_MESSAGE_RESPONSE";
    return event;
}

}  // namespace velmaro::deskserver
