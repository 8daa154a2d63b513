// Date texts from records and the moments they stand for, through the layer's shared formatters.

#include <cmath>
#include <cstring>
#include <string_view>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "Velmaro/CoreInterface/WireFormat.h"
#include "Velmaro/Helpers/Extensions.h"

using namespace velmaro;

int fuzzDateParsing(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DateFormatter* formatters[] = {&WireFormat::dateFormatter(), &fullDateFormatter(),
                                         &conversationListFormat(), &timeFormatter(), &chatListFormat()};
    for (const DateFormatter* formatter : formatters) {
        const auto date = formatter->dateFromString(text);
        if (!date) continue;
        fuzzsupport::check(std::isfinite(date->timeIntervalSince1970()), "a text parsed to a moment that is not finite");
        const std::string again = formatter->stringFromDate(*date);
        const auto reparsed = formatter->dateFromString(again);
        fuzzsupport::check(reparsed.has_value(), "a formatted date does not parse back");
        // The wire format keeps every millisecond: what parsed once parses to the same moment.
        if (formatter == &WireFormat::dateFormatter())
            fuzzsupport::check(*reparsed == *date, "a wire date does not survive formatting");
    }
    if (size >= sizeof(double)) {
        double seconds;
        std::memcpy(&seconds, data, sizeof seconds);
        for (const DateFormatter* formatter : formatters) (void)formatter->stringFromDate(Date(seconds));
        (void)DateFormatter::localizedStringFromDate(Date(seconds), DateFormatter::Style::mediumStyle,
                                                     DateFormatter::Style::shortStyle);
    }
    return 0;
}
