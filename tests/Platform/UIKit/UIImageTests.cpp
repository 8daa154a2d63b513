#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "support/Platform/ScratchFolder.h"
#include "support/Platform/UIKitTest.h"
#include "Foundation/Bundle.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"

namespace {

Data encodePng(int width, int height, const std::vector<std::uint8_t>& rgba) {
    Data out;
    stbi_write_png_to_func(
        [](void* context, void* bytes, int size) {
            auto* sink = static_cast<Data*>(context);
            auto* begin = static_cast<std::uint8_t*>(bytes);
            sink->insert(sink->end(), begin, begin + size);
        },
        &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void appendChunk(std::string& png, const std::string& type, const std::string& payload) {
    appendBigEndian(png, static_cast<std::uint32_t>(payload.size()));
    const std::string typed = type + payload;
    png += typed;
    appendBigEndian(png, crc32(typed));
}

// A well-formed PNG header claiming an RGBA image of the given size, over a few bytes of data.
Data pngClaiming(std::uint32_t width, std::uint32_t height) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", std::string("\x78\x01\x01\x00\x00\xff\xff", 7));
    appendChunk(png, "IEND", "");
    return Data(png.begin(), png.end());
}

}  // namespace

TEST(UIImageTests, DecodesPngPixelsAndSize) {
    std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255,  //
                                      0, 0, 255, 255, 0, 0, 0, 0};
    auto png = encodePng(2, 2, rgba);
    auto image = UIImage::fromData(png, 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 2);
    EXPECT_EQ(image->size(), (CGSize{1, 1}));
    EXPECT_EQ(image->pixelAt(0, 0), UIColor(1, 0, 0, 1));
    EXPECT_EQ(image->pixelAt(0, 1), UIColor(0, 0, 1, 1));
    EXPECT_EQ(image->pixelAt(1, 1), UIColor::clear());
    EXPECT_EQ(image->pixelAt(5, 5), UIColor::clear());
    EXPECT_FALSE(image->name());
    EXPECT_EQ(image->withName("AGENT")->name(), "AGENT");
}

TEST(UIImageTests, AnswersNothingForDataThatIsNotAnImage) {
    EXPECT_EQ(UIImage::fromData({}), nullptr);
    const std::string html = "<html><body>404 Not Found</body></html>";
    EXPECT_EQ(UIImage::fromData(Data(html.begin(), html.end())), nullptr);
    auto png = encodePng(4, 4, std::vector<std::uint8_t>(64, 200));
    png.resize(png.size() / 2);
    EXPECT_EQ(UIImage::fromData(png), nullptr);
    EXPECT_EQ(UIImage::fromFile("/nonexistent/image.png"), nullptr);
}

// A few hostile bytes may claim a bitmap of gigabytes: the bounds are checked on the header.
TEST(UIImageTests, RefusesImagesBeyondTheBoundsBeforeDecoding) {
    struct Case {
        int width;
        int height;
        bool decoded;
    };
    for (const auto& [width, height, decoded] :
         {Case{4096, 2, true}, Case{2, 4096, true}, Case{4097, 1, false}, Case{1, 4097, false}}) {
        const auto png = encodePng(width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height * 4)));
        EXPECT_EQ(UIImage::fromData(png) != nullptr, decoded) << width << "x" << height;
    }
    EXPECT_EQ(UIImage::fromData(pngClaiming(5000, 5000)), nullptr);
    EXPECT_EQ(UIImage::fromData(pngClaiming(0x7FFFFFFF, 1)), nullptr);

    // The decoder stops at the end of the image, so padding keeps the data decodable.
    Data padded = encodePng(2, 2, std::vector<std::uint8_t>(16, 255));
    padded.resize(UIImage::maximumDataLength);
    EXPECT_TRUE(UIImage::fromData(padded));
    padded.push_back(0);
    EXPECT_EQ(UIImage::fromData(padded), nullptr);
}

TEST(UIImageTests, ImageViewSizesToItsImageAndIgnoresTouches) {
    auto image = UIImage::filled({30, 20}, UIColor::white());
    auto view = UIView::make<UIImageView>(image);
    EXPECT_EQ(view->frame(), (CGRect{0, 0, 30, 20}));
    EXPECT_FALSE(view->isUserInteractionEnabled());
    view->setImage(nullptr);
    EXPECT_EQ(view->image(), nullptr);
}

namespace fs = std::filesystem;

class UIImageNamedTests : public UIKitTest {
protected:
    ScratchFolder scratch{"uiimage-named"};
    const fs::path dir = scratch.path();
    void writePng(const std::string& file, int side) {
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side * side * 4), 255);
        stbi_write_png((dir / file).c_str(), side, side, 4, rgba.data(), side * 4);
    }
};

TEST_F(UIImageNamedTests, LoadsTheScaledFileAndKeepsTheName) {
    writePng("upArrow@2x.png", 20);
    auto bundle = Bundle::bundleWithPath(dir);
    ASSERT_TRUE(bundle);
    auto image = UIImage::named("upArrow", bundle);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->name(), "upArrow");
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->size(), (CGSize{10, 10}));
    EXPECT_EQ(UIImage::named("downArrow", bundle), nullptr);
}

TEST_F(UIImageNamedTests, AFileThatIsNotAnImageGivesNothing) {
    std::ofstream(dir / "AGENT.png") << "not a png at all";
    EXPECT_EQ(UIImage::named("AGENT", Bundle::bundleWithPath(dir)), nullptr);
}
