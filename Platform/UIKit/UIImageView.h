#pragma once

#include <memory>

#include "UIKit/UIImage.h"
#include "UIKit/UIView.h"

// Shows one image. Image views ignore touches unless told otherwise.
class UIImageView : public UIView {
public:
    UIImageView();
    explicit UIImageView(CGRect frame);
    explicit UIImageView(std::shared_ptr<UIImage> image);

    const std::shared_ptr<UIImage>& image() const { return image_; }
    void setImage(std::shared_ptr<UIImage> image);
    // The image's size.
    CGSize sizeThatFits(CGSize size) const override;

private:
    std::shared_ptr<UIImage> image_;
};
