#include "Velmaro/Helpers/KHToolbar.h"

#include "UIKit/UIImage.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

const UIColor KHToolbar::tint{0.0, 0.858, 0.776, 1.0};

KHToolbar::KHToolbar() : KHToolbar(CGRect{}) {}

KHToolbar::KHToolbar(CGRect frame) : UIToolbar(frame) {
    // Safe in the constructor: nothing here needs the toolbar to be shared yet.
    sizeToFit();
    setupAppearance();
}

void KHToolbar::setupAppearance() {
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    setTintColor(tint);
    setTranslucent(true);
}

CGSize KHToolbar::sizeThatFits(CGSize size) const { return {UIToolbar::sizeThatFits(size).width, height}; }

KeyboardToolbarItems KeyboardToolbarItems::make() {
    KeyboardToolbarItems items;
    items.previous = std::make_shared<UIBarButtonItem>(UIImage::named("leftArrow", velmaroBundle()),
                                                       UIBarButtonItem::Style::plain);
    items.next = std::make_shared<UIBarButtonItem>(UIImage::named("rightArrow", velmaroBundle()),
                                                   UIBarButtonItem::Style::plain);
    items.done = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::done);
    return items;
}

namespace {

bool setInputAccessoryView(UIView& input, std::shared_ptr<UIView> accessory) {
    if (auto field = dynamic_cast<UITextField*>(&input)) {
        field->setInputAccessoryView(std::move(accessory));
        return true;
    }
    if (auto textView = dynamic_cast<UITextView*>(&input)) {
        textView->setInputAccessoryView(std::move(accessory));
        return true;
    }
    return false;
}

std::shared_ptr<UIBarButtonItem> space(UIBarButtonItem::SystemItem kind, CGFloat width = 0) {
    auto item = std::make_shared<UIBarButtonItem>(kind);
    item->setWidth(width);
    return item;
}

}  // namespace

bool acceptsInputAccessoryView(const UIView& view) {
    return dynamic_cast<const UITextField*>(&view) || dynamic_cast<const UITextView*>(&view);
}

void installKeyboardToolbar(UIView& input, const KeyboardToolbarItems& items, KeyboardToolbarLayout layout) {
    if (!acceptsInputAccessoryView(input)) return;
    using SystemItem = UIBarButtonItem::SystemItem;
    auto toolbar = UIView::make<KHToolbar>();
    if (layout == KeyboardToolbarLayout::directionsAndDone) {
        toolbar->setItems({items.previous, space(SystemItem::fixedSpace, 20), items.next,
                           space(SystemItem::flexibleSpace), space(SystemItem::flexibleSpace), items.done});
    } else {
        toolbar->setItems({space(SystemItem::flexibleSpace), items.done});
    }
    setInputAccessoryView(input, toolbar);
    toolbar->setBarStyle(UIBarStyle::defaultStyle);
    // A first responder's keyboard grows with its new accessory view.
    input.reloadInputViews();
}

}  // namespace velmaro
