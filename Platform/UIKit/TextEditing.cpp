#include "UIKit/TextEditing.h"

#include "Foundation/TextHelpers.h"

TextEditing::Span TextEditing::lastCharacter(const std::string& text) {
    Span span;
    if (text.empty()) return span;
    std::size_t start = text.size() - 1;
    // Step back over continuation bytes, at most three.
    for (int i = 0; i < 3 && start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80; ++i) {
        --start;
    }
    span.byteStart = start;
    span.byteLength = text.size() - start;
    std::size_t before = utf16Length(std::string_view(text).substr(0, start));
    span.range = NSRange{before, utf16Length(std::string_view(text).substr(start))};
    return span;
}
