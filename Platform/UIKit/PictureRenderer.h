#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "UIKit/CGRect.h"

class UIBarButtonItem;
class UIView;
class UIWindow;

// A rendered picture: width x height pixels, row-major, each 0xAARRGGBB (not premultiplied).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t pixel(int x, int y) const;  // throws std::out_of_range outside
};

// Draws what a person would see on a window, as pixels (cairo). Not pixel-perfect to any phone;
// legible and true to the view tree. A view it cannot draw is drawn as its frame outline.
// Main thread only, like the views it reads. A scale that is not positive, or a picture side
// beyond 16384 pixels, throws std::invalid_argument.
class PictureRenderer {
public:
    // The window at its bounds, `scale` pixels a point, over white where it has no background;
    // a hidden window gives a clear picture of its size, no window an empty one.
    static Picture render(const std::shared_ptr<UIWindow>& window, double scale = 1.0);
    // One view and its subviews, at its own bounds, over nothing (clear where nothing is drawn).
    static Picture renderView(const std::shared_ptr<UIView>& view, double scale = 1.0);
    // Writes the window as a PNG file; throws std::runtime_error naming the file when it cannot.
    static void writePng(const std::shared_ptr<UIWindow>& window, const std::filesystem::path& file,
                         double scale = 1.0);
    static void writePng(const Picture& picture, const std::filesystem::path& file);
    // Reads a PNG file back as a picture; throws std::runtime_error naming the file when it cannot.
    static Picture readPng(const std::filesystem::path& file);

    // The items of the toolbar drawn above the keyboard and where they are drawn (window
    // coordinates, the bar's height); none while no keyboard with a toolbar shows.
    struct BarItemPlace {
        std::shared_ptr<UIBarButtonItem> item;
        CGRect frame;
    };
    static std::vector<BarItemPlace> keyboardBarItems(const std::shared_ptr<UIWindow>& window);
    // The item a tap at the point (window coordinates) lands on: its drawn place and half the
    // gap to its neighbours; null over spaces, outside the bar, or while it does not show.
    static std::shared_ptr<UIBarButtonItem> keyboardBarItemAt(const std::shared_ptr<UIWindow>& window, CGPoint point);
};

// A rectangle of a picture's pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A window's picture kept between frames: each update redraws only the regions where the glass
// changed since the last (the old and new places of views that changed, moved, showed, hid or
// scrolled, the keyboard's area when it shows or goes), and gives the same pixels as a whole new
// render. Main thread only.
class GlassCanvas {
public:
    explicit GlassCanvas(double scale = 1.0);  // a scale that is not positive throws std::invalid_argument
    ~GlassCanvas();
    GlassCanvas(const GlassCanvas&) = delete;
    GlassCanvas& operator=(const GlassCanvas&) = delete;

    // Brings the picture up to date with the window; answers the rectangles of pixels redrawn:
    // all of it on the first update, for another window, or after a new size.
    std::vector<PixelRect> update(const std::shared_ptr<UIWindow>& window);
    const Picture& picture() const { return picture_; }
    double scale() const { return scale_; }
    // The next update redraws the whole picture.
    void redrawAll();

private:
    struct Last;
    double scale_;
    Picture picture_;
    std::unique_ptr<Last> last_;
};
