#include "Velmaro/View/ChatEventTableViewCell.h"

#include <algorithm>

namespace velmaro {

CGSize ChatEventTableViewCell::systemLayoutSizeFitting(CGSize targetSize) {
    CGSize size = UITableViewCell::systemLayoutSizeFitting(targetSize);
    // An event without a description still takes a line, so that its row does not fold away.
    if (lblEventDescription && lblEventDescription->text().value_or("").empty()) {
        const CGFloat oneLine = lblEventDescription->frame().minY() + lblEventDescription->font().lineHeight() +
                                contentView()->layoutMargins().bottom;
        size.height = std::max(size.height, oneLine);
    }
    return size;
}

}  // namespace velmaro
