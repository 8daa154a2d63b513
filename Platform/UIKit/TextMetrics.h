#pragma once

#include <limits>
#include <string_view>

#include "UIKit/CGSize.h"
#include "UIKit/UIFont.h"

// Deterministic text metric: each grapheme advances 0.5 × point size; a line is ceil(1.2 × point size) high.
class TextMetrics {
public:
    static constexpr CGFloat unlimitedWidth = std::numeric_limits<CGFloat>::infinity();

    static CGFloat advance(const UIFont& font);
    static CGFloat lineHeight(const UIFont& font);

    // The text set in lines no wider than `maxWidth`: words wrap at spaces, "\n" breaks the line,
    // a word longer than a whole line is broken inside; at most `maxLines` lines (0: any number).
    // Sizes are rounded up to whole points; empty text has no size.
    static CGSize size(std::string_view text, const UIFont& font, CGFloat maxWidth, int maxLines = 0);
    // How many lines `size` sets the text in.
    static int lineCount(std::string_view text, const UIFont& font, CGFloat maxWidth, int maxLines = 0);
};
