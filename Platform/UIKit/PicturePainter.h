#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "UIKit/CGRect.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

class CALayer;
class UIAlertController;
class UIBarButtonItem;
class UIButton;
class UIImage;
class UINavigationBar;
class UISegmentedControl;
class UITextField;
class UITextView;
class UIToolbar;
class UIView;
class UIViewController;
class UIWindow;

// PictureRenderer's brush: draws views, one kind at a time, onto a cairo context whose user space
// is points. Reads the views only; main thread only. Decoded images are kept for one painter's
// life, so a picture converts each image once.
class PicturePainter {
public:
    explicit PicturePainter(cairo_t* cr);
    ~PicturePainter();
    PicturePainter(const PicturePainter&) = delete;
    PicturePainter& operator=(const PicturePainter&) = delete;

    // The window's glass: its screens (not those covered by a full-screen presentation), alerts,
    // then the keyboard while it is up. A window without a background colour shows white.
    void drawWindow(UIWindow& window);
    // The view and its subviews with its bounds' top-left corner at the origin.
    void drawAtOrigin(UIView& view);

    // A toolbar's item as drawn: from its left edge to its right, the bar's height.
    struct BarSlot {
        std::shared_ptr<UIBarButtonItem> item;
        CGRect frame;
    };
    // Where the toolbar's items (not its spaces) are drawn in `bounds`, left to right.
    std::vector<BarSlot> toolbarLayout(const UIToolbar& toolbar, CGRect bounds);
    // Where the toolbar above the keyboard draws its items, in window coordinates; none while no
    // keyboard with a toolbar shows.
    std::vector<BarSlot> keyboardBarLayout(UIWindow& window);

    // What the glass shows, as a front that keeps its last frame compares it: where each view on
    // it draws (window points) and the state it draws that is not the view's own.
    struct DrawnView {
        std::uint64_t stamp = 0;
        CGRect own;      // the view's own drawing
        CGRect subtree;  // with everything drawn inside it
        std::string outside;  // state of other objects the view draws (bar items, alert actions)
    };
    struct GlassLayout {
        CGRect bounds;
        bool hidden = false;
        std::unordered_map<const UIView*, DrawnView> views;
        const UIView* firstResponder = nullptr;
        std::optional<CGRect> keyboard;  // while drawn
        std::string keyboardState;
        std::string statusBar;
    };
    static GlassLayout layoutOf(UIWindow& window);

private:
    enum class Vertical { top, center };
    struct TextStyle {
        UIFont font;
        UIColor color;
        NSTextAlignment alignment = NSTextAlignment::left;
        int maxLines = 0;  // 0: as many as fit
        Vertical vertical = Vertical::center;
        bool wrap = true;  // false: one line per paragraph, narrowed to fit
    };

    static bool finite(CGRect rect);
    static CGFloat opacityOf(const UIView& view);  // alpha times the layer's opacity
    static bool shows(const UIView& view);
    // The screen whose view this is, if any.
    static std::shared_ptr<UIViewController> controllerOf(const UIView& view);
    void roundedRect(CGRect rect, CGFloat radius);
    void roundedRect(CGRect rect, unsigned corners, CGSize radii);

    // PicturePainter.cpp: the tree, text, images.
    void drawPlaced(UIView& view);
    void drawContent(UIView& view, CGRect bounds);
    bool drawKind(UIView& view, CGRect bounds);
    void drawLayerExtras(CALayer& layer);
    void clipToMask(UIView& view);
    void drawOutline(CGRect rect);

    // PicturePainter+Controls.cpp: each kind's own drawing.
    void drawLabel(UILabel& label, CGRect bounds);
    void drawButton(UIButton& button, CGRect bounds);
    void drawTextField(UITextField& field, CGRect bounds);
    void drawTextView(UITextView& view, CGRect bounds);
    void drawSegments(UISegmentedControl& control, CGRect bounds);
    void drawNavigationBar(UINavigationBar& bar, CGRect bounds);
    void drawToolbar(UIToolbar& toolbar, CGRect bounds);
    void drawAlert(UIView& view, CGRect bounds, const UIAlertController& alert);
    void drawKeyboard(UIWindow& window, CGRect frame);
    // The input's accessory view above the keyboard and the bounds it is drawn in, with the
    // offset from those bounds to the window; null when none shows.
    struct Accessory {
        std::shared_ptr<UIView> view;
        CGRect bounds;
        CGPoint offset;
    };
    static std::optional<Accessory> keyboardAccessory(const UIWindow& window, CGRect frame);
    static bool showsKeyboard(const UIWindow& window);
    static std::string statusBarTime();
    CGFloat barItemWidth(const UIBarButtonItem& item, CGFloat barHeight);
    void drawStatusBar(CGRect window);
    static bool editingUnderPresentation(const UIWindow& window);

    // A bar item from `x` rightwards (leftwards when `leftwards`); returns its far edge.
    CGFloat drawBarItem(const UIBarButtonItem& item, CGFloat x, CGRect bar, UIColor tint, bool leftwards);
    CGFloat textWidth(const std::string& text, const UIFont& font);
    // Which line (from 0) the text's last line is, wrapped at `width`, and how wide it is drawn.
    std::pair<std::size_t, CGFloat> lastLineOf(const std::string& text, const UIFont& font, CGFloat width);
    void drawText(const std::string& text, CGRect rect, const TextStyle& style);
    void drawLine(const std::string& line, CGRect rect, CGFloat baseline, const TextStyle& style);
    void drawImage(const std::shared_ptr<UIImage>& image, CGRect rect);
    void setFont(const UIFont& font);
    void setColor(const UIColor& color);

    cairo_t* cr_;
    std::map<const UIImage*, cairo_surface_t*> images_;
    std::vector<std::shared_ptr<UIImage>> keptImages_;  // keeps the keys' images alive while cached
};
