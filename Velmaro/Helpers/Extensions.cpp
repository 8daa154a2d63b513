#include "Velmaro/Helpers/Extensions.h"

#include "Velmaro/CoreInterface/WireFormat.h"

#include <cstdio>

namespace velmaro {

namespace {

void appendEscaped(std::string& out, const std::string& text) {
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04X", c);
                    out += escape;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
}

}  // namespace

std::string JSONDescription(const StringDictionary& dictionary) {
    std::string text = "{\n";
    bool first = true;
    for (const auto& [key, value] : dictionary) {
        // The separator goes before every entry but the first, so only the last one lacks a comma.
        if (!first) text += ",\n";
        first = false;
        text += '"';
        appendEscaped(text, key);
        text += "\" : \"";
        appendEscaped(text, value);
        text += '"';
    }
    text += dictionary.empty() ? "}" : "\n}";
    return text;
}

const DateFormatter& fullDateFormatter() { return WireFormat::dateFormatter(); }

const DateFormatter& conversationListFormat() {
    static const DateFormatter formatter("dd/MM/yy, HH:mm");
    return formatter;
}

const DateFormatter& timeFormatter() {
    static const DateFormatter formatter("HH:mm");
    return formatter;
}

const DateFormatter& chatListFormat() {
    // Month names follow the locale of the moment the formatter is made, not later changes.
    static const DateFormatter& formatter = [] () -> const DateFormatter& {
        static DateFormatter made("dd. MMM yyyy.");
        made.setLocale(Locale::current());
        return made;
    }();
    return formatter;
}

std::string localizedTimestamp() {
    return DateFormatter::localizedStringFromDate(Date::now(), DateFormatter::Style::mediumStyle,
                                                  DateFormatter::Style::shortStyle);
}

}  // namespace velmaro
