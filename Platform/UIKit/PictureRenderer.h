#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

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
};
