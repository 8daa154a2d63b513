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
    fs::path dir;
    void SetUp() override {
        UIKitTest::SetUp();
        // Unique per process and test: ctest runs tests in parallel processes, and with address
        // randomisation off (the tsan run) their fixtures share addresses.
        dir = fs::temp_directory_path() /
              ("uiimage-named-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        UIKitTest::TearDown();
    }
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
