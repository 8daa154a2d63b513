#pragma once

#include <initializer_list>

#include "UIKit/CGRect.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"

namespace velmaro {

// A message bubble that hugs its text: the label shrinks to the lines the text is set in, within
// the widest area the row's layout gives it, and the bubble views wrap it with a margin. A row
// sizes itself to the bubble.
class ChatBubble {
public:
    enum class Side { leading, trailing };
    static constexpr CGFloat horizontalMargin = 8;
    static constexpr CGFloat verticalMargin = 6;

    // `area` is the label's widest frame, as the row's layout drew it.
    static void fit(UILabel& message, CGRect area, Side side, std::initializer_list<UIView*> bubbles);
};

}  // namespace velmaro
