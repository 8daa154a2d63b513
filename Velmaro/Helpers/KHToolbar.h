#pragma once

#include <memory>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIToolbar.h"

namespace velmaro {

// The bar the keyboard helper puts above the keyboard: fitted to its content at creation,
// stretching in width only, tinted turquoise, translucent, and always 44 points high.
class KHToolbar : public UIToolbar {
public:
    static const UIColor tint;
    static constexpr CGFloat height = 44;

    KHToolbar();
    explicit KHToolbar(CGRect frame);

    void setupAppearance();
    // The base bar's width, at the fixed height.
    CGSize sizeThatFits(CGSize size) const override;
};

// The three buttons a keyboard toolbar may carry, made without targets: previous and next as
// plain buttons with the "leftArrow" and "rightArrow" images of the framework bundle, and the
// system Done button.
struct KeyboardToolbarItems {
    std::shared_ptr<UIBarButtonItem> previous;
    std::shared_ptr<UIBarButtonItem> next;
    std::shared_ptr<UIBarButtonItem> done;

    static KeyboardToolbarItems make();
};

// Done alone at the right, or the two arrows 20 points apart at the left and Done at the right.
enum class KeyboardToolbarLayout { doneOnly, directionsAndDone };

// Makes a new KHToolbar with the items the layout uses the input's accessory view. Nothing
// happens to a view that carries no accessory view (only text fields and text views do).
void installKeyboardToolbar(UIView& input, const KeyboardToolbarItems& items, KeyboardToolbarLayout layout);
// Whether the view carries an input accessory view that can be set.
bool acceptsInputAccessoryView(const UIView& view);

}  // namespace velmaro
