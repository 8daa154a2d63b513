#include "UIKit/CAShapeLayer.h"

void CAShapeLayer::setPath(std::shared_ptr<UIBezierPath> path) {
    checkMainThread("setPath");
    path_ = std::move(path);
}
