#include "UIKit/TextMetrics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "Foundation/TextHelpers.h"

namespace {

struct Lines {
    std::size_t count = 0;
    std::size_t widest = 0;  // in graphemes
};

// Greedy line filling over grapheme counts. Only counts matter, so words are never copied.
Lines breakLines(std::string_view text, std::size_t capacity, std::size_t maxLines) {
    Lines lines;
    auto full = [&] { return lines.count >= maxLines; };
    auto endLine = [&](std::size_t length) {
        ++lines.count;
        lines.widest = std::max(lines.widest, length);
    };
    std::size_t paragraphStart = 0;
    while (!full()) {
        std::size_t paragraphEnd = std::min(text.find('\n', paragraphStart), text.size());
        std::string_view paragraph = text.substr(paragraphStart, paragraphEnd - paragraphStart);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);

        std::size_t line = 0;
        bool paragraphBegins = true;
        bool wrapped = false;  // a line was just ended by wrapping: spaces there are swallowed
        std::size_t wordStart = 0;
        while (!full()) {
            std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
            std::size_t word = userPerceivedCharacterCount(paragraph.substr(wordStart, wordEnd - wordStart));
            if (!paragraphBegins && !wrapped) {
                if (line + 1 + word <= capacity) {
                    line += 1 + word;
                } else {
                    endLine(line);
                    line = 0;
                    wrapped = true;
                }
            }
            if ((paragraphBegins || wrapped) && !full() && (word > 0 || paragraphBegins)) {
                // A word longer than a line fills whole lines first.
                while (word > capacity && !full()) {
                    endLine(capacity);
                    word -= capacity;
                }
                line = word;
                paragraphBegins = false;
                wrapped = false;
            }
            if (wordEnd >= paragraph.size()) break;
            wordStart = wordEnd + 1;
        }
        // Spaces after a wrap hang past the edge; they make no line of their own.
        if (!full() && !wrapped) endLine(line);
        if (paragraphEnd >= text.size()) break;
        paragraphStart = paragraphEnd + 1;
    }
    return lines;
}

Lines layOut(std::string_view text, const UIFont& font, CGFloat maxWidth, int maxLines) {
    if (text.empty()) return {};
    CGFloat advance = TextMetrics::advance(font);
    std::size_t capacity = std::numeric_limits<std::size_t>::max();
    if (advance > 0 && std::isfinite(maxWidth)) {
        // Always at least one grapheme per line, however narrow, so every text ends.
        CGFloat fits = std::floor(std::max<CGFloat>(0, maxWidth) / advance + 1e-9);
        capacity = std::max<std::size_t>(1, static_cast<std::size_t>(std::min<CGFloat>(fits, 1e15)));
    }
    std::size_t limit = maxLines > 0 ? static_cast<std::size_t>(maxLines) : std::numeric_limits<std::size_t>::max();
    return breakLines(text, capacity, limit);
}

}  // namespace

CGFloat TextMetrics::advance(const UIFont& font) { return 0.5 * std::max<CGFloat>(0, font.pointSize()); }

CGFloat TextMetrics::lineHeight(const UIFont& font) {
    return std::ceil(1.2 * std::max<CGFloat>(0, font.pointSize()));
}

CGSize TextMetrics::size(std::string_view text, const UIFont& font, CGFloat maxWidth, int maxLines) {
    Lines lines = layOut(text, font, maxWidth, maxLines);
    if (lines.count == 0) return {};
    CGFloat exact = static_cast<CGFloat>(lines.widest) * advance(font);
    CGFloat width = std::ceil(exact);
    // Rounding up never makes text that fits wider than the space it was given.
    if (exact <= maxWidth + 1e-9) width = std::min(width, std::max<CGFloat>(0, maxWidth));
    return {width, static_cast<CGFloat>(lines.count) * lineHeight(font)};
}

int TextMetrics::lineCount(std::string_view text, const UIFont& font, CGFloat maxWidth, int maxLines) {
    return static_cast<int>(layOut(text, font, maxWidth, maxLines).count);
}
