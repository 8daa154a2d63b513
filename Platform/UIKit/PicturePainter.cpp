#include "UIKit/PicturePainter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <typeinfo>

#include "Foundation/TextHelpers.h"
#include "UIKit/CAShapeLayer.h"
#include "UIKit/TextMetrics.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIToolbar.h"
#include "UIKit/UIWindow.h"

namespace {

constexpr const char* fontFamily = "DejaVu Sans";
constexpr UIColor selectedRowColor{0.85, 0.85, 0.85, 1};
// What the renderer cannot draw shows as a loud outline rather than as nothing.
constexpr UIColor outlineColor{1, 0, 1, 1};

bool finiteTransform(const CGAffineTransform& t) {
    return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d) &&
           std::isfinite(t.tx) && std::isfinite(t.ty);
}

// Cairo refuses a whole context over one malformed string; show U+FFFD for bad bytes instead.
std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size() && c != 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (valid && length > 1) {
            // No overlong forms, surrogates or values past U+10FFFF.
            std::uint32_t cp = c & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = cp >= least[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::size_t codePointLength(unsigned char lead) {
    return lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
}

// The first `count` code points of valid UTF-8 text.
std::string_view prefixOfCodePoints(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    while (count > 0 && i < text.size()) {
        i = std::min(text.size(), i + codePointLength(static_cast<unsigned char>(text[i])));
        --count;
    }
    return text.substr(0, i);
}

// The toolkit's own line breaking (see TextMetrics), so a picture has the lines layout counted:
// words wrap at spaces, "\n" breaks, a word longer than a line is broken inside.
std::vector<std::string> wrapLines(std::string_view text, const UIFont& font, CGFloat maxWidth, bool wrap) {
    std::vector<std::string> lines;
    const CGFloat advance = TextMetrics::advance(font);
    std::size_t capacity = SIZE_MAX;
    if (wrap && advance > 0 && std::isfinite(maxWidth)) {
        CGFloat fits = std::floor(std::max<CGFloat>(0, maxWidth) / advance + 1e-9);
        capacity = std::max<std::size_t>(1, static_cast<std::size_t>(std::min<CGFloat>(fits, 1e15)));
    }
    std::size_t paragraphStart = 0;
    while (true) {
        std::size_t paragraphEnd = std::min(text.find('\n', paragraphStart), text.size());
        std::string_view paragraph = text.substr(paragraphStart, paragraphEnd - paragraphStart);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        std::string line;
        std::size_t length = 0;
        bool begins = true;
        bool wrapped = false;
        std::size_t wordStart = 0;
        while (true) {
            std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
            std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
            std::size_t count = userPerceivedCharacterCount(word);
            if (!begins && !wrapped) {
                if (length + 1 + count <= capacity) {
                    line.append(" ").append(word);
                    length += 1 + count;
                } else {
                    lines.push_back(std::move(line));
                    line.clear();
                    length = 0;
                    wrapped = true;
                }
            }
            if ((begins || wrapped) && (count > 0 || begins)) {
                while (count > capacity) {
                    auto head = prefixOfCodePoints(word, capacity);
                    lines.emplace_back(head);
                    word.remove_prefix(head.size());
                    count -= capacity;
                }
                line = std::string(word);
                length = count;
                begins = false;
                wrapped = false;
            }
            if (wordEnd >= paragraph.size()) break;
            wordStart = wordEnd + 1;
        }
        if (!wrapped) lines.push_back(std::move(line));
        if (paragraphEnd >= text.size()) break;
        paragraphStart = paragraphEnd + 1;
    }
    return lines;
}

// A screen's view in the window that is not on the glass: covered by a full-screen presentation,
// or neither the root's nor presented (a dismissed one still animating out).
bool offGlass(const UIWindow& window, const UIView& view) {
    auto controller = std::dynamic_pointer_cast<UIViewController>(view.nextResponder());
    if (!controller || controller->parentViewController()) return false;
    if (controller != window.rootViewController() && !controller->presentingViewController()) return true;
    auto presented = controller->presentedViewController();
    return presented && presented->modalPresentationStyle() == UIModalPresentationStyle::fullScreen &&
           presented->viewIfLoaded() && presented->viewIfLoaded()->superview().get() == &window;
}

}  // namespace

PicturePainter::PicturePainter(cairo_t* cr) : cr_(cr) {
    // Glyphs drawn the same on every machine: grey antialiasing, no hinting, unhinted metrics;
    // nothing taken from the desktop's font settings.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GRAY);
}

PicturePainter::~PicturePainter() {
    for (auto& [image, surface] : images_) cairo_surface_destroy(surface);
}

void PicturePainter::setColor(const UIColor& color) {
    cairo_set_source_rgba(cr_, color.red(), color.green(), color.blue(), color.alpha());
}

void PicturePainter::setFont(const UIFont& font) {
    const std::string& name = font.fontName();
    const bool bold = name.find("Bold") != std::string::npos;
    const bool italic = name.find("Italic") != std::string::npos || name.find("Oblique") != std::string::npos;
    cairo_select_font_face(cr_, fontFamily, italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, std::max<CGFloat>(0, font.pointSize()));
}

bool PicturePainter::finite(CGRect r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

CGFloat PicturePainter::opacityOf(const UIView& view) {
    return std::clamp<CGFloat>(view.alpha(), 0, 1) * std::clamp<CGFloat>(view.layer()->opacity(), 0, 1);
}

bool PicturePainter::shows(const UIView& view) { return !view.isHidden() && opacityOf(view) > 0; }

std::shared_ptr<UIViewController> PicturePainter::controllerOf(const UIView& view) {
    return std::dynamic_pointer_cast<UIViewController>(view.nextResponder());
}

// A path around the rectangle with the chosen corners rounded (radii clamped to half the sides).
void PicturePainter::roundedRect(CGRect rect, unsigned corners, CGSize radii) {
    const CGRect r = rect.standardized();
    const double rx = std::max<CGFloat>(0, std::min(radii.width, r.width() / 2));
    const double ry = std::max<CGFloat>(0, std::min(radii.height, r.height() / 2));
    cairo_new_sub_path(cr_);
    auto corner = [&](bool rounded, double cx, double cy, double px, double py, double start) {
        if (!rounded || rx <= 0 || ry <= 0) {
            cairo_line_to(cr_, px, py);
            return;
        }
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        cairo_arc(cr_, 0, 0, 1, start, start + M_PI / 2);
        cairo_restore(cr_);
    };
    corner(corners & UIRectCornerTopLeft, r.minX() + rx, r.minY() + ry, r.minX(), r.minY(), M_PI);
    corner(corners & UIRectCornerTopRight, r.maxX() - rx, r.minY() + ry, r.maxX(), r.minY(), -M_PI / 2);
    corner(corners & UIRectCornerBottomRight, r.maxX() - rx, r.maxY() - ry, r.maxX(), r.maxY(), 0);
    corner(corners & UIRectCornerBottomLeft, r.minX() + rx, r.maxY() - ry, r.minX(), r.maxY(), M_PI / 2);
    cairo_close_path(cr_);
}

void PicturePainter::roundedRect(CGRect rect, CGFloat radius) {
    roundedRect(rect, UIRectCornerAllCorners, CGSize{radius, radius});
}

// ----- The tree

void PicturePainter::drawWindow(UIWindow& window) {
    const CGRect bounds = window.bounds();
    cairo_save(cr_);
    cairo_translate(cr_, -bounds.origin.x, -bounds.origin.y);
    cairo_rectangle(cr_, bounds.origin.x, bounds.origin.y, bounds.width(), bounds.height());
    setColor(UIColor::white());
    cairo_fill(cr_);
    drawContent(window, bounds);
    auto keyboard = window.keyboardFrame();
    if (keyboard && showsKeyboard(window)) drawKeyboard(window, *keyboard);
    drawStatusBar(bounds);
    cairo_restore(cr_);
}

// The platform ends editing when a screen is presented over the one being edited (an alert over
// a form), so no keyboard shows then even though the field keeps its focus here.
bool PicturePainter::editingUnderPresentation(const UIWindow& window) {
    auto top = window.rootViewController();
    if (!top) return false;
    while (auto presented = top->presentedViewController()) top = presented;
    auto topView = top->viewIfLoaded();
    if (top == window.rootViewController() || !topView) return false;
    for (auto view = window.firstResponder(); view; view = view->superview())
        if (view == topView) return false;
    return true;
}

void PicturePainter::drawAtOrigin(UIView& view) {
    if (!shows(view) || !finite(view.bounds())) return;
    const CGRect bounds = view.bounds();
    cairo_save(cr_);
    cairo_translate(cr_, -bounds.origin.x, -bounds.origin.y);
    drawContent(view, bounds);
    cairo_restore(cr_);
}

void PicturePainter::drawPlaced(UIView& view) {
    if (!shows(view)) return;
    const CGRect bounds = view.bounds();
    const CGPoint center = view.center();
    const CGAffineTransform t = view.transform();
    // A view scaled to nothing (or with broken geometry) has nothing to show, and cairo would
    // refuse the context over a singular matrix.
    if (!finite(bounds) || !std::isfinite(center.x) || !std::isfinite(center.y) || !finiteTransform(t) ||
        !t.isInvertible())
        return;
    cairo_save(cr_);
    cairo_translate(cr_, center.x, center.y);
    if (!t.isIdentity()) {
        cairo_matrix_t m;
        cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
        // Invertible on paper can still collapse, or blow up, in floating point.
        cairo_matrix_t current;
        cairo_get_matrix(cr_, &current);
        cairo_matrix_t combined;
        cairo_matrix_multiply(&combined, &m, &current);
        const double det = combined.xx * combined.yy - combined.yx * combined.xy;
        if (!std::isfinite(det) || det == 0 || !std::isfinite(combined.x0) || !std::isfinite(combined.y0)) {
            cairo_restore(cr_);
            return;
        }
        cairo_transform(cr_, &m);
    }
    cairo_translate(cr_, -(bounds.origin.x + bounds.size.width / 2), -(bounds.origin.y + bounds.size.height / 2));
    drawContent(view, bounds);
    cairo_restore(cr_);
}

// In the view's bounds coordinates: mask, background, own content, subviews, border; alpha applies
// to the whole as one group, so overlapping subviews do not show through each other.
void PicturePainter::drawContent(UIView& view, CGRect bounds) {
    const CGFloat opacity = opacityOf(view);
    const bool group = opacity < 1;
    CALayer& layer = *view.layer();
    const CGFloat radius = std::max<CGFloat>(0, layer.cornerRadius());
    cairo_save(cr_);
    if (group) cairo_push_group(cr_);
    clipToMask(view);
    if (auto background = view.backgroundColor(); background && background->alpha() > 0) {
        roundedRect(bounds, radius);
        setColor(*background);
        cairo_fill(cr_);
    }
    cairo_save(cr_);
    // Scroll views clip their content, as the platform's do unless told otherwise.
    if (layer.masksToBounds() || dynamic_cast<UIScrollView*>(&view)) {
        roundedRect(bounds, radius);
        cairo_clip(cr_);
    }
    drawLayerExtras(layer);
    const bool known = drawKind(view, bounds);
    auto* window = dynamic_cast<UIWindow*>(&view);
    bool showsSubviews = false;
    for (const auto& subview : std::vector(view.subviews())) {
        if (window && offGlass(*window, *subview)) continue;
        showsSubviews = showsSubviews || shows(*subview);
        drawPlaced(*subview);
    }
    if (!known && !showsSubviews) drawOutline(bounds);
    cairo_restore(cr_);
    if (layer.borderWidth() > 0 && layer.borderColor()) {
        const CGFloat width = layer.borderWidth();
        roundedRect(bounds.insetBy(width / 2, width / 2), std::max<CGFloat>(0, radius - width / 2));
        setColor(*layer.borderColor());
        cairo_set_line_width(cr_, width);
        cairo_stroke(cr_);
    }
    if (group) {
        cairo_pop_group_to_source(cr_);
        cairo_paint_with_alpha(cr_, opacity);
    }
    cairo_restore(cr_);
}

// A layer mask keeps what lies inside it: a shape layer's path, any other layer's frame.
void PicturePainter::clipToMask(UIView& view) {
    auto mask = view.layer()->mask();
    if (!mask) return;
    const CGRect frame = mask->frame();
    if (!finite(frame)) return;
    if (auto shape = std::dynamic_pointer_cast<CAShapeLayer>(mask)) {
        if (auto path = shape->path()) {
            cairo_save(cr_);
            cairo_translate(cr_, frame.origin.x, frame.origin.y);
            roundedRect(path->bounds(), path->roundedCorners(), path->cornerRadii());
            cairo_restore(cr_);  // the path stays, in the view's coordinates
        }
    } else {
        roundedRect(frame, mask->cornerRadius());
    }
    cairo_clip(cr_);
}

// Free-standing sublayers: shape layers filled with their colour; any layer's border.
void PicturePainter::drawLayerExtras(CALayer& layer) {
    for (const auto& sublayer : layer.sublayers()) {
        const CGRect frame = sublayer->frame();
        if (!finite(frame) || sublayer->opacity() <= 0) continue;
        cairo_save(cr_);
        cairo_translate(cr_, frame.origin.x, frame.origin.y);
        const CGRect bounds{0, 0, frame.width(), frame.height()};
        if (auto shape = std::dynamic_pointer_cast<CAShapeLayer>(sublayer);
            shape && shape->path() && shape->fillColor()) {
            roundedRect(shape->path()->bounds(), shape->path()->roundedCorners(), shape->path()->cornerRadii());
            setColor(shape->fillColor()->withAlphaComponent(shape->fillColor()->alpha() * sublayer->opacity()));
            cairo_fill(cr_);
        }
        if (sublayer->borderWidth() > 0 && sublayer->borderColor()) {
            roundedRect(bounds.insetBy(sublayer->borderWidth() / 2, sublayer->borderWidth() / 2),
                        sublayer->cornerRadius());
            setColor(*sublayer->borderColor());
            cairo_set_line_width(cr_, sublayer->borderWidth());
            cairo_stroke(cr_);
        }
        drawLayerExtras(*sublayer);
        cairo_restore(cr_);
    }
}

// The view's own drawing by kind; false for a kind this painter does not know.
bool PicturePainter::drawKind(UIView& view, CGRect bounds) {
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(controllerOf(view))) {
        drawAlert(view, bounds, *alert);
        return true;
    }
    if (auto* bar = dynamic_cast<UINavigationBar*>(&view)) {
        drawNavigationBar(*bar, bounds);
        return true;
    }
    if (auto* toolbar = dynamic_cast<UIToolbar*>(&view)) {
        drawToolbar(*toolbar, bounds);
        return true;
    }
    if (auto* label = dynamic_cast<UILabel*>(&view)) {
        drawLabel(*label, bounds);
        return true;
    }
    if (auto* field = dynamic_cast<UITextField*>(&view)) {
        drawTextField(*field, bounds);
        return true;
    }
    if (auto* button = dynamic_cast<UIButton*>(&view)) {
        drawButton(*button, bounds);
        return true;
    }
    if (auto* segments = dynamic_cast<UISegmentedControl*>(&view)) {
        drawSegments(*segments, bounds);
        return true;
    }
    if (auto* imageView = dynamic_cast<UIImageView*>(&view)) {
        if (imageView->image()) drawImage(imageView->image(), bounds);
        return true;
    }
    if (auto* textView = dynamic_cast<UITextView*>(&view)) {
        drawTextView(*textView, bounds);
        return true;
    }
    if (auto* cell = dynamic_cast<UITableViewCell*>(&view)) {
        if (cell->isSelected()) {
            cairo_rectangle(cr_, bounds.origin.x, bounds.origin.y, bounds.width(), bounds.height());
            setColor(selectedRowColor);
            cairo_fill(cr_);
        }
        return true;
    }
    // Plain containers: what they show is their background and their subviews.
    const std::type_info& type = typeid(view);
    return type == typeid(UIView) || type == typeid(UIControl) || dynamic_cast<UIScrollView*>(&view) ||
           dynamic_cast<UIWindow*>(&view);
}

void PicturePainter::drawOutline(CGRect rect) {
    if (rect.isEmpty()) return;
    cairo_rectangle(cr_, rect.minX() + 0.5, rect.minY() + 0.5, std::max<CGFloat>(0, rect.width() - 1),
                    std::max<CGFloat>(0, rect.height() - 1));
    setColor(outlineColor);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
}

// ----- Text

CGFloat PicturePainter::textWidth(const std::string& text, const UIFont& font) {
    setFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, validUtf8(text).c_str(), &extents);
    return extents.x_advance;
}

std::pair<std::size_t, CGFloat> PicturePainter::lastLineOf(const std::string& text, const UIFont& font,
                                                           CGFloat width) {
    if (text.empty()) return {0, 0};
    auto lines = wrapLines(validUtf8(text), font, width, true);
    const CGFloat drawn = textWidth(lines.back(), font);
    return {lines.size() - 1, drawn};
}

// The text in the rectangle, in the lines the toolkit's metric sets it in; lines that do not fit
// are left out and the last shown one ends in an ellipsis. A line wider in the real font than the
// metric allowed is narrowed to fit, so ink never leaves the rectangle.
void PicturePainter::drawText(const std::string& text, CGRect rect, const TextStyle& style) {
    const CGFloat lineHeight = TextMetrics::lineHeight(style.font);
    if (text.empty() || lineHeight <= 0 || rect.isEmpty() || !finite(rect)) return;
    auto lines = wrapLines(validUtf8(text), style.font, rect.width(), style.wrap);
    std::size_t fit =
        static_cast<std::size_t>(std::clamp<CGFloat>(std::floor((rect.height() + 0.5) / lineHeight), 1, 1e6));
    if (style.maxLines > 0) fit = std::min(fit, static_cast<std::size_t>(style.maxLines));
    if (lines.size() > fit) {
        lines.resize(fit);
        auto& last = lines.back();
        while (!last.empty() && last.back() == ' ') last.pop_back();
        last += "\xE2\x80\xA6";
    }
    const CGFloat block = static_cast<CGFloat>(lines.size()) * lineHeight;
    CGFloat top = style.vertical == Vertical::center ? rect.minY() + (rect.height() - block) / 2 : rect.minY();
    top = std::max(top, rect.minY());
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.minX(), rect.minY(), rect.width(), rect.height());
    cairo_clip(cr_);
    setFont(style.font);
    setColor(style.color);
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    const CGFloat ink = font.ascent + font.descent;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CGFloat lineTop = top + static_cast<CGFloat>(i) * lineHeight;
        if (lineTop >= rect.maxY()) break;
        drawLine(lines[i], rect, lineTop + (lineHeight - ink) / 2 + font.ascent, style);
    }
    cairo_restore(cr_);
}

void PicturePainter::drawLine(const std::string& line, CGRect rect, CGFloat baseline, const TextStyle& style) {
    if (line.empty()) return;
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, line.c_str(), &extents);
    const CGFloat width = extents.x_advance;
    if (width <= 0) return;
    const CGFloat squeeze = width > rect.width() ? rect.width() / width : 1;
    const CGFloat drawn = width * squeeze;
    CGFloat x = rect.minX();
    if (style.alignment == NSTextAlignment::center) x += (rect.width() - drawn) / 2;
    if (style.alignment == NSTextAlignment::right) x += rect.width() - drawn;
    cairo_save(cr_);
    cairo_translate(cr_, x, baseline);
    cairo_scale(cr_, squeeze, 1);
    cairo_move_to(cr_, 0, 0);
    cairo_show_text(cr_, line.c_str());
    cairo_restore(cr_);
}

// ----- Images

void PicturePainter::drawImage(const std::shared_ptr<UIImage>& image, CGRect rect) {
    if (!image || image->pixelWidth() <= 0 || image->pixelHeight() <= 0 || rect.isEmpty() || !finite(rect)) return;
    cairo_surface_t*& surface = images_[image.get()];
    if (!surface) {
        keptImages_.push_back(image);
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image->pixelWidth(), image->pixelHeight());
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
            unsigned char* data = cairo_image_surface_get_data(surface);
            const int stride = cairo_image_surface_get_stride(surface);
            const auto& rgba = image->pixels();
            for (int y = 0; y < image->pixelHeight(); ++y) {
                auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
                for (int x = 0; x < image->pixelWidth(); ++x) {
                    const std::size_t at =
                        (static_cast<std::size_t>(y) * static_cast<std::size_t>(image->pixelWidth()) +
                         static_cast<std::size_t>(x)) *
                        4;
                    if (at + 3 >= rgba.size()) {
                        row[x] = 0;
                        continue;
                    }
                    const std::uint32_t a = rgba[at + 3];
                    auto premultiplied = [&](std::uint8_t c) {
                        return (static_cast<std::uint32_t>(c) * a + 127) / 255;
                    };
                    row[x] = (a << 24) | (premultiplied(rgba[at]) << 16) | (premultiplied(rgba[at + 1]) << 8) |
                             premultiplied(rgba[at + 2]);
                }
            }
            cairo_surface_mark_dirty(surface);
        }
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.minX(), rect.minY(), rect.width(), rect.height());
    cairo_clip(cr_);
    cairo_translate(cr_, rect.minX(), rect.minY());
    cairo_scale(cr_, rect.width() / image->pixelWidth(), rect.height() / image->pixelHeight());
    cairo_set_source_surface(cr_, surface, 0, 0);
    // Edge pixels stretch outwards instead of fading into transparency.
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

// ----- Where things are drawn

namespace {

// Anti-aliasing reaches a little past the edges a view draws to.
constexpr CGFloat inkMargin = 2;

void describeItem(std::string& out, const UIBarButtonItem& item) {
    out += std::to_string(reinterpret_cast<std::uintptr_t>(&item));
    out += item.isEnabled() ? '+' : '-';
    out += item.title().value_or("");
    out += '\x1f';
    out += std::to_string(reinterpret_cast<std::uintptr_t>(item.image().get()));
    out += std::to_string(item.width());
    if (auto tint = item.tintColor()) out += std::to_string(tint->red() + 2 * tint->green() + 4 * tint->blue());
    out += '\x1e';
}

// Free-standing sublayers are not views: their changes stamp none.
void describeSublayers(std::string& out, const CALayer& layer) {
    for (const auto& sublayer : layer.sublayers()) {
        out += sublayer->frame().description();
        out += std::to_string(sublayer->opacity()) + ',' + std::to_string(sublayer->borderWidth()) + ',' +
               std::to_string(sublayer->cornerRadius());
        if (auto color = sublayer->borderColor()) out += color->description();
        if (auto shape = std::dynamic_pointer_cast<CAShapeLayer>(sublayer)) {
            if (auto color = shape->fillColor()) out += color->description();
            if (auto path = shape->path()) out += path->bounds().description();
        }
        out += '[';
        describeSublayers(out, *sublayer);
        out += ']';
    }
}

// What a view draws from objects that are not views: their changes stamp no view.
std::string outsideStateOf(const UIView& view) {
    std::string out;
    describeSublayers(out, *view.layer());
    if (auto* bar = dynamic_cast<const UINavigationBar*>(&view)) {
        auto holder = bar->superview();
        auto navigation = holder ? std::dynamic_pointer_cast<UINavigationController>(
                                       std::dynamic_pointer_cast<UIViewController>(holder->nextResponder()))
                                 : nullptr;
        if (!navigation) return out;
        out += navigation->backButtonTitle().value_or("\x1d");
        out += '\x1f';
        out += navigation->barTitle().value_or("\x1d");
        out += '\x1f';
        for (const auto& item : navigation->leftBarItems()) describeItem(out, *item);
        out += '|';
        for (const auto& item : navigation->rightBarItems()) describeItem(out, *item);
    } else if (auto* toolbar = dynamic_cast<const UIToolbar*>(&view)) {
        for (const auto& item : toolbar->items()) describeItem(out, *item);
    } else if (auto alert = std::dynamic_pointer_cast<UIAlertController>(
                   std::dynamic_pointer_cast<UIViewController>(view.nextResponder()))) {
        out += alert->title().value_or("");
        out += '\x1f';
        out += alert->message().value_or("");
        for (const auto& action : alert->actions()) {
            out += '\x1e';
            out += action->title();
            out += action->isEnabled() ? '+' : '-';
        }
    }
    return out;
}

// The view's own drawing in its bounds' coordinates: its bounds, the free-standing sublayers it
// draws, and for a navigation bar the strip behind the status bar.
CGRect ownDrawing(const UIView& view, CGRect bounds) {
    CGRect area = bounds;
    std::vector<std::pair<const CALayer*, CGPoint>> layers{{view.layer().get(), CGPoint{0, 0}}};
    while (!layers.empty()) {
        auto [layer, origin] = layers.back();
        layers.pop_back();
        for (const auto& sublayer : layer->sublayers()) {
            const CGRect frame = sublayer->frame();
            if (!std::isfinite(frame.origin.x) || !std::isfinite(frame.origin.y) || !std::isfinite(frame.width()) ||
                !std::isfinite(frame.height()))
                continue;
            const CGRect placed = frame.offsetBy(origin.x, origin.y);
            area = area.unionWith(placed);
            layers.push_back({sublayer.get(), placed.origin});
        }
    }
    if (dynamic_cast<const UINavigationBar*>(&view)) {
        area = area.unionWith(CGRect{bounds.minX(), bounds.minY() - UIViewController::statusBarHeight, bounds.width(),
                                     UIViewController::statusBarHeight});
    }
    return area.insetBy(-inkMargin, -inkMargin);
}

}  // namespace

// Mirrors drawPlaced and drawContent: a view is listed when they would draw it. Clips are left
// out, so a view's extent may be larger than what shows of it, never smaller.
namespace {

struct ExtentWalk {
    PicturePainter::GlassLayout& out;
    UIWindow* window;
    bool (*shows)(const UIView&);
    bool (*finite)(CGRect);

    CGRect visit(UIView& view, const CGAffineTransform& toWindow) {
        const CGRect bounds = view.bounds();
        PicturePainter::DrawnView drawn;
        drawn.stamp = view.glassStamp();
        drawn.own = toWindow.apply(ownDrawing(view, bounds));
        drawn.outside = outsideStateOf(view);
        CGRect subtree = drawn.own;
        for (const auto& subview : std::vector(view.subviews())) {
            if (&view == window && offGlass(*window, *subview)) continue;
            if (!shows(*subview)) continue;
            const CGRect b = subview->bounds();
            const CGPoint center = subview->center();
            const CGAffineTransform t = subview->transform();
            if (!finite(b) || !std::isfinite(center.x) || !std::isfinite(center.y) || !finiteTransform(t) ||
                !t.isInvertible())
                continue;
            const CGAffineTransform placed =
                CGAffineTransform::makeTranslation(-(b.origin.x + b.size.width / 2), -(b.origin.y + b.size.height / 2))
                    .concatenating(t)
                    .concatenating(CGAffineTransform::makeTranslation(center.x, center.y))
                    .concatenating(toWindow);
            subtree = subtree.unionWith(visit(*subview, placed));
        }
        drawn.subtree = subtree;
        out.views[&view] = std::move(drawn);
        return subtree;
    }
};

}  // namespace

PicturePainter::GlassLayout PicturePainter::layoutOf(UIWindow& window) {
    GlassLayout layout;
    layout.bounds = window.bounds();
    layout.hidden = window.isHidden();
    if (layout.hidden || !finite(layout.bounds)) return layout;
    ExtentWalk walk{layout, &window, &PicturePainter::shows, &PicturePainter::finite};
    walk.visit(window, CGAffineTransform::makeTranslation(-layout.bounds.origin.x, -layout.bounds.origin.y));
    auto responder = window.firstResponder();
    layout.firstResponder = responder.get();
    if (showsKeyboard(window)) {
        const CGRect frame = *window.keyboardFrame();
        layout.keyboard = frame.offsetBy(-layout.bounds.origin.x, -layout.bounds.origin.y).insetBy(-inkMargin, -inkMargin);
        if (auto accessory = keyboardAccessory(window, frame)) {
            auto& state = layout.keyboardState;
            state += std::to_string(reinterpret_cast<std::uintptr_t>(accessory->view.get()));
            state += '@';
            state += std::to_string(accessory->bounds.minX()) + ',' + std::to_string(accessory->bounds.minY()) + ',' +
                     std::to_string(accessory->bounds.height());
            state += std::to_string(accessory->view->glassStamp());
            state += outsideStateOf(*accessory->view);
        }
    }
    layout.statusBar = statusBarTime();
    return layout;
}
