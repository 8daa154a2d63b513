#pragma once

#include <memory>

#include "UIKit/CALayer.h"
#include "UIKit/UIBezierPath.h"

// A layer filled by a path; as a mask it keeps what lies inside the path.
class CAShapeLayer : public CALayer {
public:
    std::shared_ptr<UIBezierPath> path() const { return path_; }
    void setPath(std::shared_ptr<UIBezierPath> path);
    std::optional<UIColor> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<UIColor> color) { fillColor_ = color; }

private:
    std::shared_ptr<UIBezierPath> path_;
    std::optional<UIColor> fillColor_ = UIColor::black();
};
