#include "UIKit/UIImage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Foundation/Bundle.h"
#include "UIKit/JPEGHuffmanTables.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
// Every decoder refuses a larger header too, should a path ever skip the check in fromData.
#define STBI_MAX_DIMENSIONS 4096
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
// The decoder copies zero bytes into a buffer it has not allocated yet (a PNG whose first data
// chunk is empty), which memcpy leaves undefined for a null pointer; its copies go through one
// that skips empty copies.
namespace {
void* copyUnlessEmpty(void* destination, const void* source, std::size_t count) {
    return count == 0 ? destination : std::memcpy(destination, source, count);
}
}  // namespace
#define memcpy copyUnlessEmpty
#include <stb_image.h>
#undef memcpy
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

UIImage::UIImage(int pixelWidth, int pixelHeight, std::vector<std::uint8_t> rgba, CGFloat scale,
                 std::optional<std::string> name)
    : width_(pixelWidth), height_(pixelHeight), rgba_(std::move(rgba)),
      scale_(scale > 0 ? scale : 1.0), name_(std::move(name)) {
    rgba_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
}

static_assert(UIImage::maximumDimension <= STBI_MAX_DIMENSIONS);
static_assert(UIImage::maximumDataLength <= static_cast<std::size_t>(INT_MAX));

std::shared_ptr<UIImage> UIImage::fromData(const Data& data, CGFloat scale) {
    if (data.empty() || data.size() > maximumDataLength) return nullptr;
    if (!jpegHuffmanTablesFit(data.data(), data.size())) return nullptr;
    int width = 0, height = 0, channels = 0;
    // The header alone first: a few hostile bytes may claim a bitmap of gigabytes.
    if (!stbi_info_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels) ||
        width <= 0 || height <= 0 || width > maximumDimension || height > maximumDimension)
        return nullptr;
    stbi_uc* pixels = stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &width,
                                            &height, &channels, 4);
    if (!pixels) return nullptr;
    if (width <= 0 || height <= 0) {
        stbi_image_free(pixels);
        return nullptr;
    }
    std::vector<std::uint8_t> rgba(pixels, pixels + static_cast<std::size_t>(width) *
                                                        static_cast<std::size_t>(height) * 4);
    stbi_image_free(pixels);
    return std::make_shared<UIImage>(width, height, std::move(rgba), scale);
}

std::shared_ptr<UIImage> UIImage::fromFile(const std::string& path, CGFloat scale) {
    std::error_code error;
    const auto length = std::filesystem::file_size(path, error);
    // fromData would refuse it anyway; this spares reading it.
    if (error || length > maximumDataLength) return nullptr;
    std::ifstream file(path, std::ios::binary);
    if (!file) return nullptr;
    Data data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return fromData(data, scale);
}

std::shared_ptr<UIImage> UIImage::named(const std::string& name, const std::shared_ptr<Bundle>& bundle) {
    constexpr double screenScale = 2.0;
    auto source = bundle ? bundle : Bundle::mainBundle();
    if (!source) return nullptr;
    auto file = source->imageFileForResource(name, screenScale);
    if (!file) return nullptr;
    auto image = fromFile(file->path.string(), file->scale);
    if (!image) return nullptr;
    image->name_ = name;
    return image;
}

std::shared_ptr<UIImage> UIImage::filled(CGSize size, UIColor color, CGFloat scale) {
    int w = static_cast<int>(std::lround(std::max(0.0, size.width) * scale));
    int h = static_cast<int>(std::lround(std::max(0.0, size.height) * scale));
    auto byte = [](double c) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
    };
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = byte(color.red());
        rgba[i + 1] = byte(color.green());
        rgba[i + 2] = byte(color.blue());
        rgba[i + 3] = byte(color.alpha());
    }
    return std::make_shared<UIImage>(w, h, std::move(rgba), scale);
}

CGSize UIImage::size() const { return {width_ / scale_, height_ / scale_}; }

UIColor UIImage::pixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return UIColor::clear();
    std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                     static_cast<std::size_t>(x)) * 4;
    return UIColor(rgba_[i] / 255.0, rgba_[i + 1] / 255.0, rgba_[i + 2] / 255.0, rgba_[i + 3] / 255.0);
}

std::shared_ptr<UIImage> UIImage::withName(std::string name) const {
    return std::make_shared<UIImage>(width_, height_, rgba_, scale_, std::move(name));
}
