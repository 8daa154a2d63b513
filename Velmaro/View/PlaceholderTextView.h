#pragma once

#include "UIKit/UILabel.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIView.h"
#include "Velmaro/Helpers/Outlet.h"

namespace velmaro {

// A multi-line text view with a hint label over it. It has no behaviour of its own: the screen
// that owns the text decides when the hint shows.
class PlaceholderTextView : public UIView {
public:
    using UIView::UIView;

    Outlet<UITextView> textView;
    Outlet<UILabel> labelPlaceholder;
};

}  // namespace velmaro
