#include "support/Platform/TestImages.h"

#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

void appendTo(void* context, void* data, int length) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

std::vector<std::uint8_t> pixelsOfColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int size) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {red, green, blue, 255});
    return pixels;
}

}  // namespace

std::string pngOfColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int size) {
    const auto pixels = pixelsOfColor(red, green, blue, size);
    std::string png;
    stbi_write_png_to_func(appendTo, &png, size, size, 4, pixels.data(), size * 4);
    return png;
}

std::string jpegOfColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int size) {
    const auto pixels = pixelsOfColor(red, green, blue, size);
    std::string jpeg;
    stbi_write_jpg_to_func(appendTo, &jpeg, size, size, 4, pixels.data(), 90);
    return jpeg;
}
