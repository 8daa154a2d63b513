#include "Velmaro/CoreInterface/WireFormat.h"

namespace velmaro {

const DateFormatter& WireFormat::dateFormatter() {
    static const DateFormatter& formatter = []() -> const DateFormatter& {
        static DateFormatter made(datePattern);
        made.setLocale(Locale("en_US_POSIX"));
        made.setCalendar(Calendar(Calendar::Identifier::gregorian));
        return made;
    }();
    return formatter;
}

}  // namespace velmaro
