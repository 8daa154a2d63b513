#include "UIKit/UIFont.h"

#include "UIKit/TextMetrics.h"

CGFloat UIFont::lineHeight() const { return TextMetrics::lineHeight(*this); }
