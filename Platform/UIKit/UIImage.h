#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Any.h"
#include "UIKit/CGSize.h"
#include "UIKit/UIColor.h"

// An immutable bitmap: RGBA, 8 bits per channel, rows top to bottom. Images are shared and never
// change, so views hold them by shared_ptr<const UIImage>-like sharing without copying pixels.
class Bundle;

class UIImage {
public:
    UIImage(int pixelWidth, int pixelHeight, std::vector<std::uint8_t> rgba, CGFloat scale = 1.0,
            std::optional<std::string> name = std::nullopt);

    // Data and pixel bounds of a decoded image: anything larger answers null before decoding.
    static constexpr std::size_t maximumDataLength = 16u << 20;
    static constexpr int maximumDimension = 4096;

    // Decodes PNG, JPEG, GIF, BMP and the other formats the decoder knows. Data that is not an
    // image (or is truncated), longer than maximumDataLength, or whose header claims a width or
    // height above maximumDimension answers null; such a header is refused before any pixel is
    // decoded.
    static std::shared_ptr<UIImage> fromData(const Data& data, CGFloat scale = 1.0);
    // Reads and decodes a file; null when it is missing, too long or not an image (as fromData).
    static std::shared_ptr<UIImage> fromFile(const std::string& path, CGFloat scale = 1.0);
    // imageNamed:inBundle:: the bundle's PNG for the name (the main bundle's when none is
    // given), preferring the screen's scale of 2; the image keeps the name. Null when missing or
    // not an image.
    static std::shared_ptr<UIImage> named(const std::string& name,
                                          const std::shared_ptr<Bundle>& bundle = nullptr);
    // A one-colour image, for placeholders and tests.
    static std::shared_ptr<UIImage> filled(CGSize size, UIColor color, CGFloat scale = 1.0);

    // Size in points (pixels divided by scale).
    CGSize size() const;
    CGFloat scale() const { return scale_; }
    int pixelWidth() const { return width_; }
    int pixelHeight() const { return height_; }
    const std::vector<std::uint8_t>& pixels() const { return rgba_; }
    // Bytes the decoded pixels occupy (width × height × 4), what holding the image costs.
    std::size_t decodedByteCount() const { return rgba_.size(); }
    // The pixel at column x, row y; clear outside the image.
    UIColor pixelAt(int x, int y) const;
    // The name the image was loaded by, if it was loaded by name.
    const std::optional<std::string>& name() const { return name_; }
    // The same pixels under a name.
    std::shared_ptr<UIImage> withName(std::string name) const;

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> rgba_;
    CGFloat scale_;
    std::optional<std::string> name_;
};
