#include "Velmaro/View/AddConversationIssueCell.h"

#include <algorithm>

namespace velmaro {

void AddConversationIssueCell::awakeFromNib() {
    UITableViewCell::awakeFromNib();
    if (txtVwParentView && txtVwParentView->textView) minimumTextHeight_ = txtVwParentView->textView->frame().height();
}

CGSize AddConversationIssueCell::systemLayoutSizeFitting(CGSize targetSize) {
    if (auto container = txtVwParentView.get()) {
        if (auto text = container->textView.get()) {
            const CGRect textFrame = text->frame();
            const CGFloat fitted = text->sizeThatFits(CGSize{textFrame.width(), 0}).height;
            const CGFloat grown = std::max(minimumTextHeight_, fitted);
            text->setFrame(CGRect{textFrame.origin, CGSize{textFrame.width(), grown}});
            const CGRect containerFrame = container->frame();
            container->setFrame(CGRect{containerFrame.origin, CGSize{containerFrame.width(), text->frame().maxY()}});
        }
    }
    return UITableViewCell::systemLayoutSizeFitting(targetSize);
}

}  // namespace velmaro
