#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "UIKit/CATransform3D.h"
#include "UIKit/CGRect.h"
#include "UIKit/UIColor.h"

class UIView;

// The layer behind a view (or a free-standing one): the drawing properties the glass shows.
// A view's layer reports the view's geometry; changes to a layer of a view on the glass are
// checked for the main thread like the view's own.
class CALayer : public std::enable_shared_from_this<CALayer> {
public:
    CALayer() = default;
    virtual ~CALayer() = default;
    CALayer(const CALayer&) = delete;
    CALayer& operator=(const CALayer&) = delete;

    // The view this layer backs, if any.
    std::shared_ptr<UIView> delegate() const;

    CGRect frame() const;
    void setFrame(CGRect frame);
    CGRect bounds() const;

    CGFloat cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(CGFloat radius);
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    CGFloat borderWidth() const { return borderWidth_; }
    void setBorderWidth(CGFloat width);
    std::optional<UIColor> borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<UIColor> color);
    std::optional<UIColor> shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<UIColor> color);
    CGSize shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(CGSize offset);
    float shadowOpacity() const { return shadowOpacity_; }
    void setShadowOpacity(float opacity);
    CGFloat shadowRadius() const { return shadowRadius_; }
    void setShadowRadius(CGFloat radius);
    float opacity() const { return opacity_; }
    void setOpacity(float opacity);
    CATransform3D sublayerTransform() const { return sublayerTransform_; }
    void setSublayerTransform(const CATransform3D& transform);
    std::shared_ptr<CALayer> mask() const { return mask_; }
    void setMask(std::shared_ptr<CALayer> mask);

    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return sublayers_; }
    void addSublayer(std::shared_ptr<CALayer> layer);
    std::shared_ptr<CALayer> superlayer() const { return superlayer_.lock(); }
    void removeFromSuperlayer();

protected:
    void checkMainThread(const char* operation) const;

private:
    friend class UIView;
    UIView* view_ = nullptr;  // set and cleared by the owning view, which outlives this link
    CGRect frame_;  // free-standing layers only; a view's layer follows its view
    CGFloat cornerRadius_ = 0;
    bool masksToBounds_ = false;
    CGFloat borderWidth_ = 0;
    std::optional<UIColor> borderColor_ = UIColor::black();
    std::optional<UIColor> shadowColor_ = UIColor::black();
    CGSize shadowOffset_{0, -3};
    float shadowOpacity_ = 0;
    CGFloat shadowRadius_ = 3;
    float opacity_ = 1;
    CATransform3D sublayerTransform_;
    std::shared_ptr<CALayer> mask_;
    std::vector<std::shared_ptr<CALayer>> sublayers_;
    std::weak_ptr<CALayer> superlayer_;
};
