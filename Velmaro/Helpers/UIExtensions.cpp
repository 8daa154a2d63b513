#include "Velmaro/Helpers/UIExtensions.h"

#include <cstdio>
#include <cstdlib>

#include "Foundation/Bundle.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "Velmaro/Helpers/MainQueueBridge.h"

namespace velmaro {

UIColor colorWithRGB(int red, int green, int blue) {
    return UIColor(red / 255.0, green / 255.0, blue / 255.0, 1.0);
}

UIColor colorWithHexValue(std::int64_t hexValue) {
    return colorWithRGB(static_cast<int>((hexValue >> 16) & 0xFF), static_cast<int>((hexValue >> 8) & 0xFF),
                        static_cast<int>(hexValue & 0xFF));
}

UIColor uiColor(const RGBAColor& color) { return UIColor(color.red, color.green, color.blue, color.alpha); }

double redValue(const UIColor& color) { return color.red(); }
double greenValue(const UIColor& color) { return color.green(); }
double blueValue(const UIColor& color) { return color.blue(); }
double alphaValue(const UIColor& color) { return color.alpha(); }

bool isLight(const UIColor& color) {
    // A grey keeps its own level exactly, so the 0.5 threshold is not blurred by rounding.
    const bool grey = color.red() == color.green() && color.green() == color.blue();
    const double white = grey ? color.red() : color.grayscale();
    return white > 0.5;
}

const UIColor& VelmaroColors::VelmaroGreen() {
    static const UIColor color = colorWithHexValue(0x48DFB2);
    return color;
}

const UIColor& VelmaroColors::VelmaroLightGray() {
    static const UIColor color = colorWithHexValue(0xF2F4F7);
    return color;
}

const UIColor& VelmaroColors::VelmaroDarkGray() {
    static const UIColor color = colorWithHexValue(0x8A96AC);
    return color;
}

double cornerRadius(const UIView& view) { return view.layer()->cornerRadius(); }

void setCornerRadius(UIView& view, double radius) {
    view.layer()->setCornerRadius(radius);
    view.layer()->setMasksToBounds(radius > 0);
}

double borderWidth(const UIView& view) { return view.layer()->borderWidth(); }
void setBorderWidth(UIView& view, double width) { view.layer()->setBorderWidth(width); }
std::optional<UIColor> borderColor(const UIView& view) { return view.layer()->borderColor(); }
void setBorderColor(UIView& view, std::optional<UIColor> color) { view.layer()->setBorderColor(color); }

UIColor shadowColor(const UIView& view) { return view.layer()->shadowColor().value_or(UIColor::clear()); }
void setShadowColor(UIView& view, std::optional<UIColor> color) { view.layer()->setShadowColor(color); }
CGSize shadowOffset(const UIView& view) { return view.layer()->shadowOffset(); }
void setShadowOffset(UIView& view, CGSize offset) { view.layer()->setShadowOffset(offset); }
float shadowOpacity(const UIView& view) { return view.layer()->shadowOpacity(); }
void setShadowOpacity(UIView& view, float opacity) { view.layer()->setShadowOpacity(opacity); }
double shadowRadius(const UIView& view) { return view.layer()->shadowRadius(); }
void setShadowRadius(UIView& view, double radius) { view.layer()->setShadowRadius(radius); }

double width(const UIView& view) { return view.frame().size.width; }
double height(const UIView& view) { return view.frame().size.height; }

double paddingLeft(const UITextField&) { return 0; }

void setPaddingLeft(UITextField& field, double padding) {
    field.layer()->setSublayerTransform(CATransform3D::makeTranslation(padding, 0, 0));
}

void connectFields(const std::vector<std::shared_ptr<UITextField>>& fields) {
    if (fields.empty()) return;
    for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
        fields[i]->setReturnKeyType(UIReturnKeyType::next);
        fields[i]->addTarget(fields[i + 1], &UITextField::becomeFirstResponder, UIControlEventEditingDidEndOnExit);
    }
    const auto& last = fields.back();
    last->setReturnKeyType(UIReturnKeyType::done);
    last->addTarget(last, &UITextField::resignFirstResponder, UIControlEventEditingDidEndOnExit);
}

void showAlert(const std::shared_ptr<UIViewController>& controller, const std::string& title,
               const std::string& message) {
    // Building the alert touches nothing on the glass, so it may happen on the caller's thread.
    auto alert = UIAlertController::make(title, message, UIAlertControllerStyle::alert);
    alert->addAction(UIAlertAction::make("Dismiss", UIAlertActionStyle::defaultStyle));
    runOnMainQueue([controller, alert] {
        // A screen that is already presenting something (another alert, a form) would refuse; the
        // top of its presentation chain shows the alert instead, so the failure is not lost.
        auto presenter = controller;
        while (auto presented = presenter->presentedViewController()) presenter = presented;
        presenter->present(alert, true);
    });
}

void showAlert(UIViewController& controller, const std::string& title, const std::string& message) {
    auto shared = std::dynamic_pointer_cast<UIViewController>(controller.weak_from_this().lock());
    if (!shared) {
        // Only a screen owned by a shared pointer can be on the glass; there is nowhere to show it.
        std::fprintf(stderr, "showAlert: \"%s\" not shown: the screen is not on any window\n", title.c_str());
        return;
    }
    showAlert(shared, title, message);
}

void cellMissing(const std::string& identifier) {
    std::fprintf(stderr, "Fatal error: Couldn\u2019t dequeue cell with identifier: %s\n", identifier.c_str());
    std::fflush(stderr);
    std::abort();
}

std::shared_ptr<UIView> instanceFromNib(const std::string& name) {
    auto interface = UIStoryboard::make(name, Bundle::mainBundle());
    if (interface->instantiateInitialViewController()) return nullptr;
    const auto identifiers = interface->cellPrototypeIdentifiers();
    if (identifiers.empty()) return nullptr;
    auto builder = interface->cellPrototype(identifiers.front());
    auto view = builder ? builder() : nullptr;
    if (view) view->awakeFromNib();
    return view;
}

}  // namespace velmaro
