#include "UIKit/PictureRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>

#include "UIKit/PicturePainter.h"
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

Picture PictureRenderer::render(const std::shared_ptr<UIWindow>& window, double scale) {
    checkScale(scale);
    if (!window) return {};
    const CGRect bounds = window->bounds();
    const int width = pixelSide(bounds.width(), scale);
    const int height = pixelSide(bounds.height(), scale);
    // A hidden window leaves the glass empty.
    if (window->isHidden()) return pictureOf(makeSurface(width, height).get());
    // A drawn window is opaque (over white): cairo draws straight into the picture's pixels, with
    // no alpha to blend or undo and no copy, which halves the time of a picture at 2x.
    Picture picture;
    picture.width = width;
    picture.height = height;
    // Starts white, so that pixels the window covers only in part at a fractional scale are too.
    picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFFFFFFFFu);
    if (picture.pixels.empty()) return picture;
    SurfacePtr surface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(picture.pixels.data()),
                                                           CAIRO_FORMAT_RGB24, width, height,
                                                           width * static_cast<int>(sizeof(std::uint32_t))),
                       &cairo_surface_destroy);
    checkSurface(surface.get());
    {
        ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
        cairo_scale(cr.get(), scale, scale);
        PicturePainter(cr.get()).drawWindow(*window);
        checkDrawn(cr.get());
    }
    cairo_surface_flush(surface.get());
    surface.reset();
    for (auto& pixel : picture.pixels) pixel |= 0xFF000000u;  // the byte cairo leaves unused
    return picture;
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
