#include "Foundation/Calendar.h"

std::string Calendar::name() const {
    switch (identifier_) {
        case Identifier::gregorian: return "gregorian";
        case Identifier::buddhist: return "buddhist";
        case Identifier::japanese: return "japanese";
        case Identifier::persian: return "persian";
        case Identifier::islamic: return "islamic";
        case Identifier::hebrew: return "hebrew";
        case Identifier::chinese: return "chinese";
    }
    return "gregorian";
}
