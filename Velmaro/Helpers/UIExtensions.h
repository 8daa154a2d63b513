#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/CGSize.h"
#include "UIKit/IndexPath.h"
#include "UIKit/UIColor.h"
#include "UIKit/UITableView.h"
#include "Velmaro/CoreInterface/RGBAColor.h"
#include "Velmaro/Helpers/Protocols.h"

class UITextField;
class UIView;
class UIViewController;

namespace velmaro {

// Colours from 0...255 integer components (not clamped) and from a 0xRRGGBB value; bits above
// bit 23 of the value are ignored.
UIColor colorWithRGB(int red, int green, int blue);
UIColor colorWithHexValue(std::int64_t hexValue);
// A colour the core interface holds as plain values (the tenant's theme), to paint with.
UIColor uiColor(const RGBAColor& color);

// Components as the imaging library reports them.
double redValue(const UIColor& color);
double greenValue(const UIColor& color);
double blueValue(const UIColor& color);
double alphaValue(const UIColor& color);
// True when the colour's white (grey) level is strictly greater than 0.5.
bool isLight(const UIColor& color);

// The palette of the layer, each colour made once.
struct VelmaroColors {
    static const UIColor& VelmaroGreen();
    static const UIColor& VelmaroLightGray();
    static const UIColor& VelmaroDarkGray();
};

// Appearance of a view's layer, settable from the storyboard. A positive corner radius also clips
// the content to the rounded bounds; a radius of 0 turns clipping off.
double cornerRadius(const UIView& view);
void setCornerRadius(UIView& view, double radius);
double borderWidth(const UIView& view);
void setBorderWidth(UIView& view, double width);
std::optional<UIColor> borderColor(const UIView& view);
void setBorderColor(UIView& view, std::optional<UIColor> color);
// The clear colour when the layer has no shadow colour.
UIColor shadowColor(const UIView& view);
void setShadowColor(UIView& view, std::optional<UIColor> color);
CGSize shadowOffset(const UIView& view);
void setShadowOffset(UIView& view, CGSize offset);
float shadowOpacity(const UIView& view);
void setShadowOpacity(UIView& view, float opacity);
double shadowRadius(const UIView& view);
void setShadowRadius(UIView& view, double radius);
// The frame's size.
double width(const UIView& view);
double height(const UIView& view);

// Shifts the field's content right by the value (a translation of the layer's sublayers).
// Reading it always answers 0, as the storyboard inspector expects of a write-only value.
double paddingLeft(const UITextField& field);
void setPaddingLeft(UITextField& field, double padding);

// Chains the fields for the return key in their order: each but the last gets the Next key and
// hands the focus to the following field; the last gets the Done key and gives up the focus.
// The fields are held weakly by one another.
void connectFields(const std::vector<std::shared_ptr<UITextField>>& fields);

// The standard error alert over the screen: title, message and one "Dismiss" button that just
// closes it. Callable from any thread: the alert is only built there and presented, animated,
// from the main queue (from the top of the screen's presentation chain when it already presents
// something); the screen is kept alive until then.
void showAlert(const std::shared_ptr<UIViewController>& controller, const std::string& title,
               const std::string& message);
void showAlert(UIViewController& controller, const std::string& title, const std::string& message);

// The alert's message when the core answers a registration with neither a user nor an error.
inline constexpr const char* registrationFailedMessage = "The user could not be registered.";

// Stops the program: a cell the layer relies on is not registered under its identifier, which
// is a defect of the build, never a condition to recover from.
[[noreturn]] void cellMissing(const std::string& identifier);

// A cell of class Cell from the table's reuse pool or registration, for the identifier given or
// else Cell's class name; with an index path, the table's dequeue for that row. Stops the program
// when the table has no cell for the identifier or one of another class.
template <ReusableCell Cell>
std::shared_ptr<Cell> dequeueReusableCell(UITableView& table, std::optional<IndexPath> indexPath = std::nullopt,
                                          std::optional<std::string> identifier = std::nullopt) {
    const std::string reuseIdentifier = identifier ? *identifier : std::string(Cell::defaultReuseIdentifier);
    auto cell = indexPath ? table.dequeueReusableCell(reuseIdentifier, *indexPath)
                          : table.dequeueReusableCell(reuseIdentifier);
    auto typed = std::dynamic_pointer_cast<Cell>(cell);
    if (!typed) cellMissing(reuseIdentifier);
    return typed;
}

// The first top-level object of the interface file of that name in the main bundle, if it is a
// view; nothing when there is no such interface or it starts with something else. Interfaces are
// storyboards of the toolkit's registry: a view interface is one whose objects are prototypes
// (its first, by identifier, is the one built), and one with an initial scene starts with a
// screen, which is not a view.
std::shared_ptr<UIView> instanceFromNib(const std::string& name);

}  // namespace velmaro
