// How each kind of view draws itself: texts, controls, bars, alerts and the keyboard.
#include "UIKit/PicturePainter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Foundation/Date.h"
#include "Foundation/TextHelpers.h"
#include "Foundation/TimeZone.h"
#include "UIKit/TextMetrics.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIToolbar.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace {

constexpr UIColor barColor{0.97, 0.97, 0.97, 1};
constexpr UIColor hairlineColor{0.7, 0.7, 0.7, 1};
constexpr UIColor disabledColor{0.6, 0.6, 0.6, 1};
constexpr UIColor fieldBorderColor{0.8, 0.8, 0.8, 1};
constexpr UIColor statusTextColor{0, 0, 0, 1};
constexpr UIColor destructiveColor{1, 0.23, 0.19, 1};
constexpr UIColor keyboardColor{0.82, 0.83, 0.86, 1};
constexpr UIColor keyColor{1, 1, 1, 1};
constexpr UIColor keyTextColor{0.1, 0.1, 0.1, 1};

std::optional<UIColor> foregroundOf(const TextAttributes& attributes) {
    auto found = attributes.find(NSForegroundColorAttributeName);
    if (found == attributes.end()) return std::nullopt;
    return found->second;
}

// The size of an image scaled down (never up) to fit.
CGSize fitted(CGSize size, CGSize box) {
    if (size.width <= 0 || size.height <= 0) return {};
    CGFloat factor = std::min<CGFloat>({1, box.width / size.width, box.height / size.height});
    return {size.width * std::max<CGFloat>(0, factor), size.height * std::max<CGFloat>(0, factor)};
}

}  // namespace

void PicturePainter::drawLabel(UILabel& label, CGRect bounds) {
    if (!label.text()) return;
    auto alignment = label.textAlignment();
    if (alignment != NSTextAlignment::center && alignment != NSTextAlignment::right) alignment = NSTextAlignment::left;
    drawText(*label.text(), bounds,
             {label.font(), label.textColor(), alignment, label.numberOfLines(), Vertical::center});
}

void PicturePainter::drawButton(UIButton& button, CGRect bounds) {
    const unsigned state = button.state();
    if (auto background = button.backgroundImage(state)) drawImage(background, bounds);
    const UIFont font = UIFont::systemFont(15);
    auto title = button.currentTitle();
    if (title && title->empty()) title.reset();
    auto image = button.currentImage();
    UIColor color = button.titleColor(state).value_or(button.buttonType() == UIButton::ButtonType::system
                                                          ? (button.isEnabled() ? button.tintColor() : disabledColor)
                                                          : UIColor::white());
    if (!image) {
        if (title) drawText(*title, bounds, {font, color, NSTextAlignment::center, 1, Vertical::center});
        return;
    }
    const CGSize imageSize = fitted(image->size(), bounds.size);
    const CGFloat spacing = title ? 4 : 0;
    const CGFloat titleWidth =
        title ? std::min(textWidth(*title, font), bounds.width() - imageSize.width - spacing) : 0;
    CGFloat x = bounds.minX() + (bounds.width() - imageSize.width - spacing - std::max<CGFloat>(0, titleWidth)) / 2;
    drawImage(image, CGRect{x, bounds.midY() - imageSize.height / 2, imageSize.width, imageSize.height});
    x += imageSize.width + spacing;
    if (title && titleWidth > 0) {
        drawText(*title, CGRect{x, bounds.minY(), titleWidth + 1, bounds.height()},
                 {font, color, NSTextAlignment::left, 1, Vertical::center});
    }
}

void PicturePainter::drawTextField(UITextField& field, CGRect bounds) {
    const UIFont font = UIFont::systemFont(17);
    if (field.borderStyle() == UITextBorderStyle::roundedRect) {
        roundedRect(bounds.insetBy(0.25, 0.25), 5);
        setColor(UIColor::white());
        cairo_fill_preserve(cr_);
        setColor(fieldBorderColor);
        cairo_set_line_width(cr_, 0.5);
        cairo_stroke(cr_);
    } else if (field.borderStyle() == UITextBorderStyle::line) {
        cairo_rectangle(cr_, bounds.minX() + 0.5, bounds.minY() + 0.5, std::max<CGFloat>(0, bounds.width() - 1),
                        std::max<CGFloat>(0, bounds.height() - 1));
        setColor(UIColor::black());
        cairo_set_line_width(cr_, 1);
        cairo_stroke(cr_);
    }
    const CGRect area = field.textRectForBounds(bounds);
    auto alignment = field.textAlignment();
    if (alignment != NSTextAlignment::center && alignment != NSTextAlignment::right) alignment = NSTextAlignment::left;
    std::string text = field.text().value_or("");
    if (field.isSecureTextEntry()) {
        std::string dots;
        for (std::size_t i = userPerceivedCharacterCount(text); i > 0; --i) dots += "\xE2\x80\xA2";
        text = dots;
    }
    TextStyle style{font, field.textColor(), alignment, 1, Vertical::center, false};
    if (text.empty() && field.placeholder()) {
        text = *field.placeholder();
        style.color = UITextField::placeholderColor;
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    drawText(text, area, style);
    if (field.isFirstResponder()) {
        const bool typed = !field.text().value_or("").empty();
        CGFloat x = area.minX() + (typed ? std::min(textWidth(text, font), area.width() - 2) : 0);
        if (alignment == NSTextAlignment::center)
            x = area.midX() + (typed ? std::min(textWidth(text, font), area.width()) / 2 : 0);
        if (alignment == NSTextAlignment::right) x = area.maxX() - 2;
        const CGFloat height = std::min(TextMetrics::lineHeight(font), area.height());
        cairo_rectangle(cr_, x, area.midY() - height / 2, 2, height);
        setColor(field.tintColor());
        cairo_fill(cr_);
    }
}

void PicturePainter::drawTextView(UITextView& view, CGRect bounds) {
    const UIEdgeInsets inset = view.textContainerInset();
    const CGFloat padding = UITextView::lineFragmentPadding;
    const CGRect area{bounds.minX() + inset.left + padding, bounds.minY() + inset.top,
                      std::max<CGFloat>(0, bounds.width() - inset.left - inset.right - 2 * padding),
                      std::max<CGFloat>(0, bounds.height() - inset.top - inset.bottom)};
    drawText(view.text(), area, {view.font(), view.textColor(), NSTextAlignment::left, 0, Vertical::top});
    if (view.isFirstResponder()) {
        // After the last character, as the platform puts it while one types.
        const CGFloat lineHeight = TextMetrics::lineHeight(view.font());
        const CGFloat height = std::min(lineHeight, area.height());
        const auto [line, width] = lastLineOf(view.text(), view.font(), area.width());
        const CGFloat y = std::min(area.minY() + lineHeight * static_cast<CGFloat>(line), area.maxY() - height);
        cairo_rectangle(cr_, area.minX() + std::min(width, std::max<CGFloat>(0, area.width() - 2)), y, 2, height);
        setColor(view.tintColor());
        cairo_fill(cr_);
    }
}

void PicturePainter::drawSegments(UISegmentedControl& control, CGRect bounds) {
    const int count = control.numberOfSegments();
    if (count == 0 || bounds.isEmpty()) return;
    const UIColor tint = control.isEnabled() ? control.tintColor() : disabledColor;
    const CGFloat width = bounds.width() / count;
    cairo_save(cr_);
    roundedRect(bounds, 4);
    cairo_clip(cr_);
    for (int index = 0; index < count; ++index) {
        const CGRect segment{bounds.minX() + width * index, bounds.minY(), width, bounds.height()};
        const bool selected = index == control.selectedSegmentIndex();
        if (selected) {
            cairo_rectangle(cr_, segment.minX(), segment.minY(), segment.width(), segment.height());
            setColor(tint);
            cairo_fill(cr_);
        }
        if (index > 0) {
            cairo_rectangle(cr_, segment.minX() - 0.5, segment.minY(), 1, segment.height());
            setColor(tint);
            cairo_fill(cr_);
        }
        drawText(
            control.titleForSegment(index).value_or(""), segment.insetBy(4, 0),
            {UIFont::systemFont(13), selected ? UIColor::white() : tint, NSTextAlignment::center, 1, Vertical::center});
    }
    cairo_restore(cr_);
    roundedRect(bounds.insetBy(0.5, 0.5), 4);
    setColor(tint);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
}

CGFloat PicturePainter::barItemWidth(const UIBarButtonItem& item, CGFloat barHeight) {
    if (item.isSpace()) return item.width();
    if (item.title() && !item.title()->empty()) {
        return textWidth(*item.title(),
                         item.style() == UIBarButtonItem::Style::done ? UIFont::boldSystemFont(17) : UIFont::systemFont(17));
    }
    if (item.image()) return fitted(item.image()->size(), CGSize{barHeight, std::min<CGFloat>(28, barHeight)}).width;
    return 0;
}

CGFloat PicturePainter::drawBarItem(const UIBarButtonItem& item, CGFloat x, CGRect bar, UIColor tint, bool leftwards) {
    const CGFloat width = barItemWidth(item, bar.height());
    const CGFloat left = leftwards ? x - width : x;
    const CGFloat end = leftwards ? x - width : x + width;
    if (item.isSpace()) return end;
    const unsigned state = item.isEnabled() ? UIControlStateNormal : UIControlStateDisabled;
    UIColor color = foregroundOf(item.titleTextAttributes(state)).value_or(item.tintColor().value_or(tint));
    if (!item.isEnabled()) color = disabledColor;
    if (item.title() && !item.title()->empty()) {
        const UIFont font =
            item.style() == UIBarButtonItem::Style::done ? UIFont::boldSystemFont(17) : UIFont::systemFont(17);
        drawText(*item.title(), CGRect{left, bar.minY(), width + 1, bar.height()},
                 {font, color, NSTextAlignment::left, 1, Vertical::center, false});
        return end;
    }
    if (item.image()) {
        const CGFloat height = fitted(item.image()->size(), CGSize{bar.height(), std::min<CGFloat>(28, bar.height())}).height;
        drawImage(item.image(), CGRect{left, bar.midY() - height / 2, width, height});
        return end;
    }
    return x;
}

void PicturePainter::drawNavigationBar(UINavigationBar& bar, CGRect bounds) {
    if (auto tint = bar.barTintColor()) {
        setColor(*tint);
    } else if (!bar.backgroundColor()) {
        setColor(barColor);
    }
    // A bar right under the status bar reaches up behind it, as on a phone.
    const CGFloat above = std::clamp<CGFloat>(bar.frame().minY(), 0, UIViewController::statusBarHeight);
    if (bar.barTintColor() || !bar.backgroundColor()) {
        cairo_rectangle(cr_, bounds.minX(), bounds.minY() - above, bounds.width(), bounds.height() + above);
        cairo_fill(cr_);
    } else if (above > 0) {
        cairo_rectangle(cr_, bounds.minX(), bounds.minY() - above, bounds.width(), above);
        setColor(*bar.backgroundColor());
        cairo_fill(cr_);
    }
    cairo_rectangle(cr_, bounds.minX(), bounds.maxY() - 0.5, bounds.width(), 0.5);
    setColor(hairlineColor);
    cairo_fill(cr_);

    auto holder = bar.superview();
    auto navigation = holder ? std::dynamic_pointer_cast<UINavigationController>(controllerOf(*holder)) : nullptr;
    if (!navigation) return;
    const UIColor tint = bar.tintColor();
    CGFloat left = bounds.minX() + 8;
    if (auto back = navigation->backButtonTitle()) {
        const UIFont font = UIFont::systemFont(17);
        std::string text = "\xE2\x80\xB9 ";
        text += *back;
        const CGFloat width = std::min(textWidth(text, font), bounds.width() / 3);
        drawText(text, CGRect{left, bounds.minY(), width + 1, bounds.height()},
                 {font, tint, NSTextAlignment::left, 1, Vertical::center, false});
        left += width + 8;
    }
    for (const auto& item : navigation->leftBarItems()) left = drawBarItem(*item, left, bounds, tint, false) + 8;
    CGFloat right = bounds.maxX() - 8;
    for (const auto& item : navigation->rightBarItems()) right = drawBarItem(*item, right, bounds, tint, true) - 8;
    if (auto title = navigation->barTitle(); title && !title->empty() && right > left) {
        const UIFont font = UIFont::boldSystemFont(17);
        const UIColor color = foregroundOf(bar.titleTextAttributes()).value_or(UIColor::black());
        // Centred on the bar when the items leave room, else in the room between them.
        const CGFloat width = textWidth(*title, font);
        CGRect area{left, bounds.minY(), right - left, bounds.height()};
        if (bounds.midX() - width / 2 >= left && bounds.midX() + width / 2 <= right) {
            area = CGRect{bounds.midX() - width / 2 - 1, bounds.minY(), width + 2, bounds.height()};
        }
        drawText(*title, area, {font, color, NSTextAlignment::center, 1, Vertical::center, false});
    }
}

void PicturePainter::drawToolbar(UIToolbar& toolbar, CGRect bounds) {
    if (auto tint = toolbar.barTintColor()) {
        setColor(*tint);
    } else {
        setColor(toolbar.barStyle() == UIBarStyle::black ? UIColor(0.1, 0.1, 0.1, 1) : barColor);
    }
    cairo_rectangle(cr_, bounds.minX(), bounds.minY(), bounds.width(), bounds.height());
    cairo_fill(cr_);
    cairo_rectangle(cr_, bounds.minX(), bounds.minY(), bounds.width(), 0.5);
    setColor(hairlineColor);
    cairo_fill(cr_);
    for (const auto& slot : toolbarLayout(toolbar, bounds)) {
        drawBarItem(*slot.item, slot.frame.minX(), bounds, toolbar.tintColor(), false);
    }
}

std::vector<PicturePainter::BarSlot> PicturePainter::toolbarLayout(const UIToolbar& toolbar, CGRect bounds) {
    std::vector<BarSlot> slots;
    const auto& items = toolbar.items();
    if (items.empty()) return slots;
    // Flexible spaces share what the other items leave.
    CGFloat used = 16 + 8 * static_cast<CGFloat>(items.size() - 1);
    int flexible = 0;
    for (const auto& item : items) {
        if (item->systemItem() == UIBarButtonItem::SystemItem::flexibleSpace) {
            ++flexible;
        } else {
            used += barItemWidth(*item, bounds.height());
        }
    }
    const CGFloat share = flexible > 0 ? std::max<CGFloat>(0, bounds.width() - used) / flexible : 0;
    CGFloat x = bounds.minX() + 8;
    for (const auto& item : items) {
        if (item->systemItem() == UIBarButtonItem::SystemItem::flexibleSpace) {
            x += share + 8;
            continue;
        }
        const CGFloat width = barItemWidth(*item, bounds.height());
        if (!item->isSpace()) slots.push_back({item, CGRect{x, bounds.minY(), width, bounds.height()}});
        x += width + 8;
    }
    return slots;
}

// A dimmed screen and a box: title, message, then the actions, side by side when there are two.
void PicturePainter::drawAlert(UIView& view, CGRect bounds, const UIAlertController& alert) {
    cairo_rectangle(cr_, bounds.minX(), bounds.minY(), bounds.width(), bounds.height());
    setColor(UIColor(0, 0, 0, 0.4));
    cairo_fill(cr_);
    const CGFloat boxWidth = std::min<CGFloat>(270, std::max<CGFloat>(0, bounds.width() - 20));
    const CGFloat textWidth = std::max<CGFloat>(0, boxWidth - 32);
    const UIFont titleFont = UIFont::boldSystemFont(17);
    const UIFont messageFont = UIFont::systemFont(13);
    const std::string title = alert.title().value_or("");
    const std::string message = alert.message().value_or("");
    const CGFloat titleHeight = TextMetrics::size(title, titleFont, textWidth).height;
    const CGFloat messageHeight = TextMetrics::size(message, messageFont, textWidth).height;
    const CGFloat contentHeight =
        20 + titleHeight + (titleHeight > 0 && messageHeight > 0 ? 4 : 0) + messageHeight + 20;
    const auto& actions = alert.actions();
    const bool sideBySide = actions.size() == 2;
    const CGFloat actionHeight = 44;
    const CGFloat actionsHeight = sideBySide ? actionHeight : actionHeight * static_cast<CGFloat>(actions.size());
    const CGFloat boxHeight = contentHeight + actionsHeight;
    const CGFloat boxX = bounds.midX() - boxWidth / 2;
    const CGFloat boxY = alert.preferredStyle() == UIAlertControllerStyle::actionSheet ? bounds.maxY() - boxHeight - 10
                                                                                       : bounds.midY() - boxHeight / 2;
    roundedRect(CGRect{boxX, boxY, boxWidth, boxHeight}, 13);
    setColor(UIColor(0.97, 0.97, 0.97, 1));
    cairo_fill(cr_);

    CGFloat y = boxY + 20;
    drawText(title, CGRect{boxX + 16, y, textWidth, titleHeight},
             {titleFont, UIColor::black(), NSTextAlignment::center, 0, Vertical::top});
    y += titleHeight + (titleHeight > 0 && messageHeight > 0 ? 4 : 0);
    drawText(message, CGRect{boxX + 16, y, textWidth, messageHeight},
             {messageFont, UIColor::black(), NSTextAlignment::center, 0, Vertical::top});

    const UIColor tint = view.tintColor();
    for (std::size_t index = 0; index < actions.size(); ++index) {
        const auto& action = *actions[index];
        CGRect cell = sideBySide ? CGRect{boxX + boxWidth / 2 * static_cast<CGFloat>(index), boxY + contentHeight,
                                          boxWidth / 2, actionHeight}
                                 : CGRect{boxX, boxY + contentHeight + actionHeight * static_cast<CGFloat>(index),
                                          boxWidth, actionHeight};
        cairo_rectangle(cr_, cell.minX(), cell.minY(), cell.width(), 0.5);
        if (sideBySide && index == 1) cairo_rectangle(cr_, cell.minX(), cell.minY(), 0.5, cell.height());
        setColor(hairlineColor);
        cairo_fill(cr_);
        UIColor color = action.style() == UIAlertActionStyle::destructive ? destructiveColor : tint;
        if (!action.isEnabled()) color = disabledColor;
        const UIFont font =
            action.style() == UIAlertActionStyle::cancel ? UIFont::boldSystemFont(17) : UIFont::systemFont(17);
        drawText(action.title(), cell.insetBy(8, 0), {font, color, NSTextAlignment::center, 1, Vertical::center});
    }
}

// A grey panel at the keyboard's frame: the input's accessory view on top, then rows of keys.
void PicturePainter::drawKeyboard(UIWindow& window, CGRect frame) {
    if (!finite(frame) || frame.isEmpty()) return;
    cairo_rectangle(cr_, frame.minX(), frame.minY(), frame.width(), frame.height());
    setColor(keyboardColor);
    cairo_fill(cr_);
    CGFloat accessoryHeight = 0;
    if (auto accessory = keyboardAccessory(window, frame)) {
        accessoryHeight = accessory->bounds.height();
        cairo_save(cr_);
        cairo_rectangle(cr_, frame.minX(), frame.minY(), frame.width(), accessoryHeight);
        cairo_clip(cr_);
        cairo_translate(cr_, accessory->offset.x, accessory->offset.y);
        drawContent(*accessory->view, accessory->bounds);
        cairo_restore(cr_);
    }
    static const std::vector<std::vector<std::string>> rows = {
        {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P"},
        {"A", "S", "D", "F", "G", "H", "J", "K", "L"},
        {"\xE2\x87\xA7", "Z", "X", "C", "V", "B", "N", "M", "\xE2\x8C\xAB"},
        {"123", "space", "return"},
    };
    const CGFloat gap = 6;
    const CGFloat keyHeight = 42;
    const CGFloat keyWidth = (frame.width() - gap * 11) / 10;
    if (keyWidth <= 0) return;
    // The rows sit at the bottom; what the frame has above them is the suggestion strip.
    CGFloat y = std::max(frame.minY() + accessoryHeight + 8,
                         frame.maxY() - 4 - (keyHeight + 12) * static_cast<CGFloat>(rows.size()) + 12);
    const UIFont font = UIFont::systemFont(20);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto& keys = rows[row];
        std::vector<CGFloat> widths(keys.size(), keyWidth);
        if (row == 3) widths = {keyWidth * 2.5, frame.width() - gap * 4 - keyWidth * 5, keyWidth * 2.5};
        if (row == 2) widths.front() = widths.back() = keyWidth * 1.4;
        CGFloat total = gap * static_cast<CGFloat>(keys.size() - 1);
        for (CGFloat width : widths) total += width;
        CGFloat x = frame.minX() + (frame.width() - total) / 2;
        for (std::size_t index = 0; index < keys.size(); ++index) {
            const CGRect key{x, y, widths[index], keyHeight};
            roundedRect(key, 5);
            setColor(keyColor);
            cairo_fill(cr_);
            drawText(keys[index], key.insetBy(2, 0),
                     {keys[index].size() > 3 ? UIFont::systemFont(15) : font, keyTextColor, NSTextAlignment::center, 1,
                      Vertical::center});
            x += widths[index] + gap;
        }
        y += keyHeight + 12;
    }
}

std::optional<PicturePainter::Accessory> PicturePainter::keyboardAccessory(const UIWindow& window, CGRect frame) {
    auto responder = window.firstResponder();
    auto accessory = responder ? responder->inputAccessoryView() : nullptr;
    if (!accessory || !shows(*accessory)) return std::nullopt;
    // The keyboard stretches its accessory across its width.
    const CGFloat height = std::clamp<CGFloat>(accessory->frame().height(), 0, frame.height());
    const CGRect bounds = accessory->bounds();
    if (!finite(bounds) || !finite(frame) || height <= 0) return std::nullopt;
    return Accessory{accessory, CGRect{bounds.origin, CGSize{frame.width(), height}},
                     CGPoint{frame.minX() - bounds.minX(), frame.minY() - bounds.minY()}};
}

bool PicturePainter::showsKeyboard(const UIWindow& window) {
    return window.keyboardFrame() && !editingUnderPresentation(window);
}

std::vector<PicturePainter::BarSlot> PicturePainter::keyboardBarLayout(UIWindow& window) {
    if (!showsKeyboard(window)) return {};
    auto accessory = keyboardAccessory(window, *window.keyboardFrame());
    auto* toolbar = accessory ? dynamic_cast<UIToolbar*>(accessory->view.get()) : nullptr;
    if (!toolbar) return {};
    auto slots = toolbarLayout(*toolbar, accessory->bounds);
    for (auto& slot : slots) slot.frame = slot.frame.offsetBy(accessory->offset.x, accessory->offset.y);
    return slots;
}

// The status bar's clock: a 24-hour one in the current time zone (no locale, so a picture does
// not change with the machine's).
std::string PicturePainter::statusBarTime() {
    const Date now = Date::now();
    const long long local =
        static_cast<long long>(std::floor(now.timeIntervalSince1970())) + TimeZone::current().secondsFromGMT(now);
    const long long minutes = ((local / 60) % (24 * 60) + 24 * 60) % (24 * 60);
    char time[8];
    std::snprintf(time, sizeof time, "%02lld:%02lld", minutes / 60, minutes % 60);
    return time;
}

// The status bar over the window's top: signal, the time in the current time zone as a 24-hour
// clock (no locale, so a picture does not change with the machine's), and a full battery.
void PicturePainter::drawStatusBar(CGRect window) {
    const CGFloat height = UIViewController::statusBarHeight;
    const CGRect bar{window.minX(), window.minY(), window.width(), height};
    setColor(statusTextColor);
    for (int dot = 0; dot < 5; ++dot) {
        cairo_arc(cr_, bar.minX() + 9 + 7 * dot, bar.midY(), 2.75, 0, 2 * M_PI);
        cairo_fill(cr_);
    }
    drawText(statusBarTime(), bar, {UIFont::boldSystemFont(12), statusTextColor, NSTextAlignment::center, 1, Vertical::center});
    const CGRect battery{bar.maxX() - 33, bar.midY() - 5.5, 24, 11};
    roundedRect(battery.insetBy(0.5, 0.5), 2.5);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
    roundedRect(battery.insetBy(2, 2), 1.5);
    cairo_fill(cr_);
    cairo_rectangle(cr_, battery.maxX() + 1, battery.midY() - 2, 1.5, 4);
    cairo_fill(cr_);
    drawText("100%", CGRect{battery.minX() - 40, bar.minY(), 36, height},
             {UIFont::systemFont(12), statusTextColor, NSTextAlignment::right, 1, Vertical::center});
}
