#include "UIKitTesting/LayoutCheck.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <typeinfo>

#include "Foundation/TextHelpers.h"
#include "UIKit/CALayer.h"
#include "UIKit/TextMetrics.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace {

using Kind = LayoutProblem::Kind;

// A view as it is drawn: where on the window, what of it the clipping ancestors let show, and
// what it paints beneath its content.
struct Drawn {
    UIView* view;
    std::size_t parent;  // index into the list; the window's own entry has none (npos)
    CGRect rect;         // in window coordinates
    CGRect visible;      // rect within every clipping ancestor
    CGFloat opacity;
    unsigned allowed;
    std::string path;
    std::optional<UIColor> background;
};

// A text as it is drawn: the ink's box, its colour and whether it counts as large.
struct Text {
    std::size_t drawn;
    CGRect ink;  // window coordinates, within the visible part
    UIColor color;
    bool large;
};

constexpr std::size_t none = static_cast<std::size_t>(-1);
// What a button's title is set in by the renderer.
const UIFont buttonFont = UIFont::systemFont(15);
constexpr UIColor disabledTitleColor{0.6, 0.6, 0.6, 1};

std::string typeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    if (auto colons = name.rfind("::"); colons != std::string::npos) name = name.substr(colons + 2);
    return name;
}

bool finite(CGRect r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

CGRect intersection(CGRect a, CGRect b) {
    const CGFloat x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const CGFloat x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0) return CGRect{x0, y0, 0, 0};
    return CGRect{x0, y0, x1 - x0, y1 - y0};
}

bool contains(CGRect outer, CGRect inner, CGFloat slack = 0.5) {
    return inner.minX() >= outer.minX() - slack && inner.minY() >= outer.minY() - slack &&
           inner.maxX() <= outer.maxX() + slack && inner.maxY() <= outer.maxY() + slack;
}

bool containsPoint(CGRect rect, CGPoint p) {
    return p.x >= rect.minX() && p.x < rect.maxX() && p.y >= rect.minY() && p.y < rect.maxY();
}

// A screen's view that is not on the glass: covered by a full-screen presentation, or neither the
// root's nor presented (a dismissed one still animating out). As the renderer decides it.
bool offGlass(const UIWindow& window, const UIView& view) {
    auto controller = std::dynamic_pointer_cast<UIViewController>(view.nextResponder());
    if (!controller || controller->parentViewController()) return false;
    if (controller != window.rootViewController() && !controller->presentingViewController()) return true;
    auto presented = controller->presentedViewController();
    return presented && presented->modalPresentationStyle() == UIModalPresentationStyle::fullScreen &&
           presented->viewIfLoaded() && presented->viewIfLoaded()->superview().get() == &window;
}

std::string quoted(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    if (userPerceivedCharacterCount(text) > 32) text = text.substr(0, 32) + "...";
    return " \"" + text + "\"";
}

std::string shownText(const UIView& view) {
    if (auto* label = dynamic_cast<const UILabel*>(&view)) return label->text() ? quoted(*label->text()) : "";
    if (auto* button = dynamic_cast<const UIButton*>(&view)) {
        auto title = button->currentTitle();
        return title && !title->empty() ? quoted(*title) : "";
    }
    if (auto* field = dynamic_cast<const UITextField*>(&view)) {
        auto text = field->text().value_or("");
        return quoted(text.empty() ? field->placeholder().value_or("") : text);
    }
    return "";
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4g", value);
    return buffer;
}

std::string rectText(CGRect r) {
    // Appended, not "(" + …: GCC 12 at -O3 warns falsely (restrict) about the latter.
    std::string text = "(";
    text.append(number(r.minX())).append(", ").append(number(r.minY())).append(", ");
    text.append(number(r.width())).append(" x ").append(number(r.height())).append(")");
    return text;
}

UIColor over(const UIColor& top, CGFloat alpha, const UIColor& below) {
    const double a = std::clamp<double>(top.alpha() * alpha, 0, 1);
    return UIColor(top.red() * a + below.red() * (1 - a), top.green() * a + below.green() * (1 - a),
                   top.blue() * a + below.blue() * (1 - a), 1);
}

double luminance(const UIColor& c) {
    auto channel = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

bool isLarge(const UIFont& font) {
    const bool bold = font.fontName().find("Bold") != std::string::npos;
    return font.pointSize() >= 18 || (bold && font.pointSize() >= 14);
}

class Checker {
public:
    explicit Checker(UIWindow& window) : window_(window), bounds_(window.bounds()) {}

    std::vector<LayoutProblem> run() {
        // Nothing clips at first: the window's edge is what the outside check measures against.
        collect(window_, none, CGRect{-1e7, -1e7, 2e7, 2e7}, 1, 0, "");
        topView_ = topPresentedView();
        for (std::size_t i = 0; i < drawn_.size(); ++i) {
            checkOutside(i);
            checkText(i);
            checkControl(i);
        }
        checkOverlaps();
        checkContrast();
        return std::move(problems_);
    }

private:
    void report(Kind kind, const Drawn& at, std::string detail) {
        if (at.allowed & kindBit(kind)) return;
        problems_.push_back({kind, at.path, std::move(detail)});
    }

    static unsigned kindBit(Kind kind) {
        switch (kind) {
            case Kind::textDoesNotFit: return UIView::textDoesNotFit;
            case Kind::outsideWindow: return UIView::outsideWindow;
            case Kind::controlCovered: return UIView::coversControl;
            case Kind::textsOverlap: return UIView::textsOverlap;
            case Kind::lowContrast: return UIView::lowContrast;
        }
        return 0;
    }

    void collect(UIView& view, std::size_t parent, CGRect clip, CGFloat opacity, unsigned allowed,
                 const std::string& parentPath) {
        if (view.isHidden()) return;
        opacity *= std::clamp<CGFloat>(view.alpha(), 0, 1) * std::clamp<CGFloat>(view.layer()->opacity(), 0, 1);
        if (opacity <= 0.01) return;
        if (!view.transform().isInvertible()) return;  // scaled to nothing
        const CGRect rect = &view == &window_ ? bounds_ : view.convertRectTo(view.bounds(), nullptr);
        if (!finite(rect)) return;
        allowed |= view.allowedLayoutProblems();
        std::string path;
        if (auto controller = std::dynamic_pointer_cast<UIViewController>(view.nextResponder())) {
            path = typeName(typeid(*controller));  // a screen's view starts its path
        } else if (&view != &window_) {
            path = parentPath;
            std::size_t index = 0;
            if (auto superview = view.superview()) {
                const auto& siblings = superview->subviews();
                index = static_cast<std::size_t>(
                    std::find_if(siblings.begin(), siblings.end(), [&](const auto& s) { return s.get() == &view; }) -
                    siblings.begin());
            }
            path += (path.empty() ? "" : " > ") + typeName(typeid(view)) + "#" + std::to_string(index);
        }
        Drawn entry{&view, parent, rect, intersection(rect, clip), opacity, allowed, path + shownText(view), {}};
        if (auto background = view.backgroundColor(); background && background->alpha() > 0)
            entry.background = background;
        // A rounded field draws its own white box.
        if (auto* field = dynamic_cast<UITextField*>(&view); field && field->borderStyle() == UITextBorderStyle::roundedRect)
            entry.background = UIColor::white();
        drawn_.push_back(entry);
        const std::size_t self = drawn_.size() - 1;
        // Scroll views clip their content, as do layers that mask to their bounds.
        if (view.layer()->masksToBounds() || dynamic_cast<UIScrollView*>(&view)) clip = intersection(clip, rect);
        auto* window = dynamic_cast<UIWindow*>(&view);
        for (const auto& subview : std::vector(view.subviews())) {
            if (window && offGlass(*window, *subview)) continue;
            collect(*subview, self, clip, opacity, allowed, path);
        }
    }

    // The view of the last presentation, when something is presented: only it takes taps.
    UIView* topPresentedView() const {
        auto top = window_.rootViewController();
        if (!top) return nullptr;
        auto root = top;
        while (auto presented = top->presentedViewController()) top = presented;
        return top == root ? nullptr : top->viewIfLoaded().get();
    }

    bool inside(const UIView* view, const UIView* ancestor) const {
        for (auto v = view; v; v = v->superview().get())
            if (v == ancestor) return true;
        return false;
    }

    void checkOutside(std::size_t i) {
        const Drawn& at = drawn_[i];
        if (at.view == &window_ || at.visible.isEmpty()) return;
        if (contains(bounds_, at.visible)) return;
        if (intersection(at.visible, bounds_).isEmpty()) return;  // wholly off the glass: not drawn
        // One report for the outermost view that leaves the window.
        if (at.parent != none && !contains(bounds_, drawn_[at.parent].visible) &&
            !drawn_[at.parent].visible.isEmpty())
            return;
        report(Kind::outsideWindow, at, "drawn at " + rectText(at.visible) + ", partly outside the window " +
                                            rectText(bounds_));
    }

    // Whether an opaque view drawn later, outside the view itself, hides all of `area`.
    bool occluded(std::size_t i, CGRect area) const {
        for (std::size_t k = i + 1; k < drawn_.size(); ++k) {
            const Drawn& d = drawn_[k];
            if (inside(d.view, drawn_[i].view)) continue;
            if (d.background && d.background->alpha() * d.opacity >= 0.99 && contains(d.visible, area, 0)) return true;
        }
        return false;
    }

    void checkText(std::size_t i) {
        const Drawn& at = drawn_[i];
        UIView& view = *at.view;
        // What the glass does not show has nothing to read.
        const CGRect onGlass = intersection(at.visible, bounds_);
        if (onGlass.isEmpty() || occluded(i, onGlass)) return;
        if (auto* label = dynamic_cast<UILabel*>(&view); label && label->text() && !label->text()->empty()) {
            const std::string& text = *label->text();
            const CGRect bounds = label->bounds();
            const UIFont& font = label->font();
            const CGFloat lineHeight = TextMetrics::lineHeight(font);
            const int needed = TextMetrics::lineCount(text, font, bounds.width());
            const int limit = label->numberOfLines();
            const int shown = limit > 0 ? std::min(needed, limit) : needed;
            if ((limit > 0 && needed > limit) || shown * lineHeight > bounds.height() + 0.5) {
                report(Kind::textDoesNotFit, at,
                       "needs " + std::to_string(needed) + " line(s) of " + number(lineHeight) + " points in " +
                           number(bounds.width()) + " x " + number(bounds.height()) +
                           (limit > 0 ? " (at most " + std::to_string(limit) + ")" : ""));
            }
            const CGSize size = TextMetrics::size(text, font, bounds.width(), limit);
            addText(i, std::min(size.width, at.rect.width()), std::min(size.height, at.rect.height()),
                    label->textAlignment(), label->textColor(), isLarge(font));
            return;
        }
        if (auto* button = dynamic_cast<UIButton*>(&view)) {
            auto title = button->currentTitle();
            if (!title || title->empty() || button->currentImage()) return;
            const CGSize size = TextMetrics::size(*title, buttonFont, TextMetrics::unlimitedWidth, 1);
            if (size.width > button->bounds().width() + 0.5 || size.height > button->bounds().height() + 0.5) {
                report(Kind::textDoesNotFit, at,
                       "the title needs " + number(size.width) + " x " + number(size.height) + " points in " +
                           number(button->bounds().width()) + " x " + number(button->bounds().height()));
            }
            const unsigned state = button->state();
            const UIColor color = button->titleColor(state).value_or(
                button->buttonType() == UIButton::ButtonType::system
                    ? (button->isEnabled() ? button->tintColor() : disabledTitleColor)
                    : UIColor::white());
            addText(i, std::min(size.width, at.rect.width()), std::min(size.height, at.rect.height()),
                    NSTextAlignment::center, color, isLarge(buttonFont));
            return;
        }
        if (auto* field = dynamic_cast<UITextField*>(&view)) {
            const std::string text = field->text().value_or("");
            const bool placeholder = text.empty();
            const std::string shown = placeholder ? field->placeholder().value_or("") : text;
            if (shown.empty()) return;
            const UIFont font = UIFont::systemFont(17);
            const CGRect area = field->textRectForBounds(field->bounds());
            const CGSize size = TextMetrics::size(shown, font, TextMetrics::unlimitedWidth, 1);
            const CGFloat inset = area.minX() - field->bounds().minX();
            addText(i, std::min(size.width, area.width()), std::min(size.height, area.height()),
                    NSTextAlignment::left, placeholder ? UITextField::placeholderColor : field->textColor(),
                    isLarge(font), inset);
        }
    }

    void addText(std::size_t i, CGFloat width, CGFloat height, NSTextAlignment alignment, UIColor color, bool large,
                 CGFloat inset = 0) {
        const Drawn& at = drawn_[i];
        CGFloat x = at.rect.minX() + inset;
        if (alignment == NSTextAlignment::center) x = at.rect.midX() - width / 2;
        if (alignment == NSTextAlignment::right) x = at.rect.maxX() - inset - width;
        const CGRect ink = intersection(CGRect{x, at.rect.midY() - height / 2, width, height}, at.visible);
        if (ink.isEmpty()) return;
        texts_.push_back({i, ink, color.withAlphaComponent(color.alpha() * at.opacity), large});
    }

    void checkControl(std::size_t i) {
        const Drawn& at = drawn_[i];
        auto* control = dynamic_cast<UIControl*>(at.view);
        if (!control || !control->isEnabled() || at.visible.isEmpty()) return;
        for (auto v = static_cast<UIView*>(control); v; v = v->superview().get())
            if (!v->isUserInteractionEnabled()) return;
        if (topView_ && !inside(control, topView_)) return;  // under a presentation: nothing reaches it
        const CGRect reachable = intersection(at.visible, bounds_);
        if (reachable.isEmpty()) return;
        if (occluded(i, reachable)) return;  // not on the glass at all: nothing invites a tap
        const CGPoint centre{reachable.midX(), reachable.midY()};
        if (auto keyboard = window_.keyboardFrame(); keyboard && containsPoint(*keyboard, centre)) {
            // A field under the keyboard hides what is typed; a button there waits until it goes.
            if (dynamic_cast<UITextField*>(control)) report(Kind::controlCovered, at, "the keyboard covers its centre");
            return;
        }
        auto hit = window_.hitTest(centre, nullptr);
        if (hit && inside(hit.get(), control)) return;
        if (hit) {
            for (const auto& other : drawn_)
                if (other.view == hit.get() && (other.allowed & UIView::coversControl)) return;
        }
        report(Kind::controlCovered, at,
               "a tap at its centre (" + number(centre.x) + ", " + number(centre.y) + ") reaches " +
                   (hit ? typeName(typeid(*hit)) + shownText(*hit) : std::string("nothing")));
    }

    // Whether an opaque view drawn after text `a`'s view (up to `b`'s own background) hides `area`.
    bool hiddenBetween(std::size_t a, std::size_t b, CGRect area) const {
        for (std::size_t k = a + 1; k <= b && k < drawn_.size(); ++k) {
            const Drawn& d = drawn_[k];
            if (d.background && d.background->alpha() * d.opacity >= 0.99 && contains(d.visible, area, 0))
                return true;
        }
        return false;
    }

    void checkOverlaps() {
        for (std::size_t i = 0; i < texts_.size(); ++i) {
            for (std::size_t j = i + 1; j < texts_.size(); ++j) {
                const CGRect both = intersection(texts_[i].ink, texts_[j].ink);
                if (both.width() * both.height() < 4) continue;
                const std::size_t a = std::min(texts_[i].drawn, texts_[j].drawn);
                const std::size_t b = std::max(texts_[i].drawn, texts_[j].drawn);
                if (hiddenBetween(a, b, both)) continue;
                if ((drawn_[a].allowed & UIView::textsOverlap) || (drawn_[b].allowed & UIView::textsOverlap)) continue;
                report(Kind::textsOverlap, drawn_[b], "drawn over " + drawn_[a].path + " at " + rectText(both));
            }
        }
    }

    // What is drawn under the text's centre: the backgrounds of the views drawn before it (its own
    // included) over the window's white.
    UIColor backgroundOf(const Text& text) const {
        const CGPoint centre{text.ink.midX(), text.ink.midY()};
        UIColor colour = UIColor::white();
        for (std::size_t k = 0; k <= text.drawn; ++k) {
            const Drawn& d = drawn_[k];
            if (d.background && containsPoint(d.visible, centre)) colour = over(*d.background, d.opacity, colour);
        }
        return colour;
    }

    void checkContrast() {
        for (const Text& text : texts_) {
            const UIColor behind = backgroundOf(text);
            const UIColor ink = over(text.color, 1, behind);
            const double ratio = LayoutCheck::contrastRatio(ink, behind);
            const double needed = text.large ? LayoutCheck::largeTextContrast : LayoutCheck::bodyTextContrast;
            if (ratio + 1e-9 < needed)
                report(Kind::lowContrast, drawn_[text.drawn],
                       "contrast " + number(ratio) + " : 1 against what is behind it, needs " + number(needed) + " : 1");
        }
    }

    UIWindow& window_;
    CGRect bounds_;
    UIView* topView_ = nullptr;
    std::vector<Drawn> drawn_;
    std::vector<Text> texts_;
    std::vector<LayoutProblem> problems_;
};

}  // namespace

std::string LayoutProblem::describe() const {
    static const char* const names[] = {"text does not fit", "outside the window", "control covered",
                                        "texts overlap", "low contrast"};
    return std::string(names[static_cast<int>(kind)]) + ": " + path + ": " + detail;
}

std::vector<LayoutProblem> LayoutCheck::problems(const std::shared_ptr<UIWindow>& window) {
    if (!window || window->isHidden()) return {};
    return Checker(*window).run();
}

std::string LayoutCheck::report(const std::vector<LayoutProblem>& problems) {
    if (problems.empty()) return "no layout problems";
    std::string out;
    for (const auto& problem : problems) out += problem.describe() + "\n";
    return out;
}

double LayoutCheck::contrastRatio(const UIColor& a, const UIColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
