#include "Velmaro/View/ChatBubble.h"

#include <algorithm>

namespace velmaro {

void ChatBubble::fit(UILabel& message, CGRect area, Side side, std::initializer_list<UIView*> bubbles) {
    const CGSize text = message.sizeThatFits(CGSize{area.width(), 0});
    const CGFloat width = std::min(area.width(), std::max<CGFloat>(text.width, 1));
    const CGFloat x = side == Side::leading ? area.minX() : area.maxX() - width;
    message.setFrame(CGRect{x, area.minY(), width, std::max<CGFloat>(text.height, 1)});
    const CGRect bubble = message.frame().insetBy(-horizontalMargin, -verticalMargin);
    for (UIView* view : bubbles)
        if (view) view->setFrame(bubble);
}

}  // namespace velmaro
