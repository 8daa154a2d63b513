#pragma once

#include <cstddef>
#include <string>

#include "Foundation/NSRange.h"

// Where the keyboard's delete key acts in a UTF-8 text.
class TextEditing {
public:
    struct Span {
        NSRange range;  // UTF-16 units, as delegates see it
        std::size_t byteStart = 0;
        std::size_t byteLength = 0;
    };
    // The last code point of a non-empty text.
    static Span lastCharacter(const std::string& text);
    // The last user-perceived character (grapheme cluster) of a non-empty text: what one press of
    // delete removes, so that an accent typed as a combining mark, a flag or a joined emoji never
    // leaves half of itself behind.
    static Span lastGrapheme(const std::string& text);
};
