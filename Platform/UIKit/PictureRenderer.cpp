#include "UIKit/PictureRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>

#include "UIKit/PicturePainter.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace {

// Far beyond any screen; keeps a wrong scale from asking for gigabytes.
constexpr int maximumSide = 16384;

int pixelSide(CGFloat points, double scale) {
    double side = std::ceil(std::max<CGFloat>(0, points) * scale - 1e-9);
    if (!std::isfinite(side) || side > maximumSide) {
        throw std::invalid_argument("PictureRenderer: a picture side of " + std::to_string(side) +
                                    " pixels is too large");
    }
    return static_cast<int>(side);
}

void checkScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0) {
        throw std::invalid_argument("PictureRenderer: the scale must be a positive number");
    }
}

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

void checkSurface(cairo_surface_t* surface) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string("PictureRenderer: cannot make a picture: ") +
                                 cairo_status_to_string(cairo_surface_status(surface)));
    }
}

SurfacePtr makeSurface(int width, int height) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
    checkSurface(surface.get());
    return surface;
}

// Cairo keeps premultiplied alpha; pictures do not.
Picture pictureOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    Picture picture;
    picture.width = cairo_image_surface_get_width(surface);
    picture.height = cairo_image_surface_get_height(surface);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < picture.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = row[x];
            std::uint32_t a = opaque ? 0xFF : p >> 24;
            std::uint32_t out = 0;
            if (a == 0xFF) {
                out = p | 0xFF000000u;
            } else if (a != 0) {
                auto channel = [&](int shift) { return ((((p >> shift) & 0xFF) * 255 + a / 2) / a) & 0xFF; };
                out = (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
            }
            picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                           static_cast<std::size_t>(x)] = out;
        }
    }
    return picture;
}

SurfacePtr surfaceOf(const Picture& picture) {
    if (picture.width < 0 || picture.height < 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        throw std::invalid_argument("PictureRenderer: the picture's pixels do not match its size");
    }
    auto surface = makeSurface(picture.width, picture.height);
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < picture.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.pixel(x, y);
            std::uint32_t a = p >> 24;
            auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255; };
            row[x] = (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// A drawing that went wrong must not pass for a picture.
void checkDrawn(cairo_t* cr) {
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string("PictureRenderer: drawing failed: ") +
                                 cairo_status_to_string(cairo_status(cr)));
    }
}

}  // namespace

std::uint32_t Picture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        std::string message = "pixel (";
        message += std::to_string(x);
        message += ", ";
        message += std::to_string(y);
        message += ") is outside the picture";
        throw std::out_of_range(message);
    }
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

namespace {

// Draws the window into an opaque picture of its size: all of it, or only inside `regions`.
// Cairo draws straight into the picture's pixels, with no alpha to blend or undo and no copy,
// which halves the time of a picture at 2x.
void paintWindow(Picture& picture, UIWindow& window, double scale, const std::vector<PixelRect>* regions) {
    if (picture.pixels.empty()) return;
    SurfacePtr surface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(picture.pixels.data()),
                                                           CAIRO_FORMAT_RGB24, picture.width, picture.height,
                                                           picture.width * static_cast<int>(sizeof(std::uint32_t))),
                       &cairo_surface_destroy);
    checkSurface(surface.get());
    {
        ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
        if (regions) {
            // Whole pixels: what is drawn inside them is what a whole picture has there.
            for (const auto& r : *regions) cairo_rectangle(cr.get(), r.x, r.y, r.width, r.height);
            cairo_clip(cr.get());
            // Back to the blank a whole picture starts from: edge pixels the window covers only
            // in part blend with white, not with the last frame.
            cairo_set_source_rgb(cr.get(), 1, 1, 1);
            cairo_paint(cr.get());
        }
        cairo_scale(cr.get(), scale, scale);
        PicturePainter(cr.get()).drawWindow(window);
        checkDrawn(cr.get());
    }
    cairo_surface_flush(surface.get());
    surface.reset();
    // The byte cairo leaves unused.
    auto opaque = [&](const PixelRect& r) {
        for (int y = r.y; y < r.y + r.height; ++y) {
            std::uint32_t* pixel =
                picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + r.x;
            std::uint32_t* const end = pixel + r.width;
            for (; pixel != end; ++pixel) *pixel |= 0xFF000000u;
        }
    };
    if (!regions) return opaque(PixelRect{0, 0, picture.width, picture.height});
    for (const auto& r : *regions) opaque(r);
}

// A picture of the window's size, white before anything is drawn (so that pixels the window
// covers only in part at a fractional scale are too); clear for a hidden window.
Picture blankPicture(const UIWindow& window, double scale) {
    const CGRect bounds = window.bounds();
    const int width = pixelSide(bounds.width(), scale);
    const int height = pixelSide(bounds.height(), scale);
    if (window.isHidden()) return pictureOf(makeSurface(width, height).get());
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFFFFFFFFu);
    return picture;
}

}  // namespace

Picture PictureRenderer::render(const std::shared_ptr<UIWindow>& window, double scale) {
    checkScale(scale);
    if (!window) return {};
    Picture picture = blankPicture(*window, scale);
    // A hidden window leaves the glass empty.
    if (!window->isHidden()) paintWindow(picture, *window, scale, nullptr);
    return picture;
}

std::vector<PictureRenderer::BarItemPlace> PictureRenderer::keyboardBarItems(const std::shared_ptr<UIWindow>& window) {
    if (!window) return {};
    // Laid out with the drawing's own text widths.
    auto surface = makeSurface(1, 1);
    ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
    std::vector<BarItemPlace> places;
    for (auto& slot : PicturePainter(cr.get()).keyboardBarLayout(*window)) places.push_back({slot.item, slot.frame});
    return places;
}

std::shared_ptr<UIBarButtonItem> PictureRenderer::keyboardBarItemAt(const std::shared_ptr<UIWindow>& window,
                                                                    CGPoint point) {
    // Items stand at least 8 points apart: half of that on either side is still the item's.
    for (const auto& place : keyboardBarItems(window)) {
        if (place.frame.insetBy(-4, 0).contains(point)) return place.item;
    }
    return nullptr;
}

// ----- Drawing only what changed

struct GlassCanvas::Last {
    std::weak_ptr<UIWindow> window;
    PicturePainter::GlassLayout layout;
};

GlassCanvas::GlassCanvas(double scale) : scale_(scale) { checkScale(scale); }

GlassCanvas::~GlassCanvas() = default;

void GlassCanvas::redrawAll() { last_.reset(); }

namespace {

using GlassLayout = PicturePainter::GlassLayout;

// Where the glass differs between two layouts of the same window, in window points.
std::vector<CGRect> changedAreas(const GlassLayout& before, const GlassLayout& now) {
    std::vector<CGRect> areas;
    auto subtreeOf = [](const GlassLayout& layout, const UIView* view, std::vector<CGRect>& into) {
        if (auto it = layout.views.find(view); view && it != layout.views.end()) into.push_back(it->second.subtree);
    };
    for (const auto& [view, drawn] : now.views) {
        auto it = before.views.find(view);
        if (it == before.views.end()) {
            areas.push_back(drawn.own);
            continue;
        }
        const auto& old = it->second;
        if (old.stamp != drawn.stamp) {
            // Its looks changed, and with them maybe everything drawn inside it (its alpha, its
            // tint, the order of its subviews).
            areas.push_back(old.subtree);
            areas.push_back(drawn.subtree);
        } else if (old.own != drawn.own || old.outside != drawn.outside) {
            areas.push_back(old.own);
            areas.push_back(drawn.own);
        }
    }
    for (const auto& [view, old] : before.views) {
        if (!now.views.count(view)) areas.push_back(old.own);
    }
    if (before.firstResponder != now.firstResponder) {
        // The input being edited is drawn as such.
        subtreeOf(before, before.firstResponder, areas);
        subtreeOf(now, now.firstResponder, areas);
    }
    if (before.keyboard != now.keyboard || before.keyboardState != now.keyboardState) {
        if (before.keyboard) areas.push_back(*before.keyboard);
        if (now.keyboard) areas.push_back(*now.keyboard);
    }
    if (before.statusBar != now.statusBar) {
        areas.push_back(CGRect{0, 0, now.bounds.width(), UIViewController::statusBarHeight});
    }
    return areas;
}

bool touches(const PixelRect& a, const PixelRect& b) {
    return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height && b.y <= a.y + a.height;
}

PixelRect joined(const PixelRect& a, const PixelRect& b) {
    const int x = std::min(a.x, b.x), y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.width, b.x + b.width) - x, std::max(a.y + a.height, b.y + b.height) - y};
}

// The areas as whole pixels of the picture, those that touch joined into one: few rectangles to
// draw and upload.
std::vector<PixelRect> pixelRegions(const std::vector<CGRect>& areas, double scale, int width, int height) {
    std::vector<PixelRect> regions;
    for (const auto& area : areas) {
        if (!std::isfinite(area.minX()) || !std::isfinite(area.maxX()) || !std::isfinite(area.minY()) ||
            !std::isfinite(area.maxY()))
            return {PixelRect{0, 0, width, height}};
        const double left = std::clamp(std::floor(area.minX() * scale), 0.0, double(width));
        const double top = std::clamp(std::floor(area.minY() * scale), 0.0, double(height));
        const double right = std::clamp(std::ceil(area.maxX() * scale), 0.0, double(width));
        const double bottom = std::clamp(std::ceil(area.maxY() * scale), 0.0, double(height));
        if (right <= left || bottom <= top) continue;
        PixelRect region{int(left), int(top), int(right - left), int(bottom - top)};
        // Join it with every region it touches, and those joined with what they then touch.
        for (bool merged = true; merged;) {
            merged = false;
            for (auto it = regions.begin(); it != regions.end(); ++it) {
                if (touches(*it, region)) {
                    region = joined(*it, region);
                    regions.erase(it);
                    merged = true;
                    break;
                }
            }
        }
        regions.push_back(region);
    }
    return regions;
}

}  // namespace

std::vector<PixelRect> GlassCanvas::update(const std::shared_ptr<UIWindow>& window) {
    if (!window) {
        picture_ = {};
        last_.reset();
        return {};
    }
    // A drawing that fails leaves no last frame to build on: the next one is drawn whole.
    auto last = std::move(last_);
    auto layout = PicturePainter::layoutOf(*window);
    const int width = pixelSide(layout.bounds.width(), scale_);
    const int height = pixelSide(layout.bounds.height(), scale_);
    const bool whole = !last || last->window.lock() != window || picture_.width != width ||
                       picture_.height != height || last->layout.bounds != layout.bounds || last->layout.hidden ||
                       layout.hidden;
    std::vector<PixelRect> regions;
    if (whole) {
        picture_ = blankPicture(*window, scale_);
        if (!layout.hidden) paintWindow(picture_, *window, scale_, nullptr);
        regions = {PixelRect{0, 0, width, height}};
    } else {
        regions = pixelRegions(changedAreas(last->layout, layout), scale_, width, height);
        if (!regions.empty()) paintWindow(picture_, *window, scale_, &regions);
    }
    if (width == 0 || height == 0) regions.clear();
    last_ = std::make_unique<Last>(Last{window, std::move(layout)});
    return regions;
}

Picture PictureRenderer::renderView(const std::shared_ptr<UIView>& view, double scale) {
    checkScale(scale);
    if (!view) return {};
    const CGRect bounds = view->bounds();
    auto surface = makeSurface(pixelSide(bounds.width(), scale), pixelSide(bounds.height(), scale));
    ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
    cairo_scale(cr.get(), scale, scale);
    PicturePainter(cr.get()).drawAtOrigin(*view);
    checkDrawn(cr.get());
    return pictureOf(surface.get());
}

void PictureRenderer::writePng(const std::shared_ptr<UIWindow>& window, const std::filesystem::path& file,
                               double scale) {
    writePng(render(window, scale), file);
}

void PictureRenderer::writePng(const Picture& picture, const std::filesystem::path& file) {
    auto fail = [&](const std::string& why) {
        std::string message = "cannot write the picture to ";
        message += file.string();
        message += ": ";
        message += why;
        return std::runtime_error(message);
    };
    // PNG has no empty image; an empty picture is a caller's mistake, not a file.
    if (picture.width == 0 || picture.height == 0) throw fail("the picture is empty");
    SurfacePtr surface = [&] {
        try {
            return surfaceOf(picture);
        } catch (const std::invalid_argument& error) {
            throw fail(error.what());
        }
    }();
    cairo_status_t status = cairo_surface_write_to_png(surface.get(), file.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);  // no half-written file left behind
        throw fail(cairo_status_to_string(status));
    }
}

Picture PictureRenderer::readPng(const std::filesystem::path& file) {
    SurfacePtr surface(cairo_image_surface_create_from_png(file.c_str()), &cairo_surface_destroy);
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::string message = "cannot read a PNG picture from ";
        message += file.string();
        message += ": ";
        message += cairo_status_to_string(status);
        throw std::runtime_error(message);
    }
    // Whatever PNG flavour came in, read it as 32-bit pixels.
    const cairo_format_t format = cairo_image_surface_get_format(surface.get());
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        auto converted =
            makeSurface(cairo_image_surface_get_width(surface.get()), cairo_image_surface_get_height(surface.get()));
        ContextPtr cr(cairo_create(converted.get()), &cairo_destroy);
        cairo_set_source_surface(cr.get(), surface.get(), 0, 0);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr.get());
        return pictureOf(converted.get());
    }
    return pictureOf(surface.get());
}
