#include "UIKit/UIImageView.h"

UIImageView::UIImageView() : UIImageView(CGRect{}) {}

UIImageView::UIImageView(CGRect frame) : UIView(frame) { userInteractionEnabled_ = false; }

UIImageView::UIImageView(std::shared_ptr<UIImage> image)
    : UIImageView(CGRect{CGPoint{}, image ? image->size() : CGSize{}}) {
    image_ = std::move(image);
}

void UIImageView::setImage(std::shared_ptr<UIImage> image) {
    checkMainThread("setImage");
    image_ = std::move(image);
}

CGSize UIImageView::sizeThatFits(CGSize size) const { return image_ ? image_->size() : size; }
