#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Demo/DemoTour.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIImage.h"
#include "UIKitTesting/UIKitTestingState.h"
#include "support/Platform/GoldenPicture.h"
#include "support/Platform/MainLoopTest.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DemoTourTest : public MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        // The bars' look is process-wide: start from the platform's, whatever ran before.
        UIKitTestingState::reset();
        folder = fs::temp_directory_path() / ("velmaro-demo-" + std::to_string(::getpid()));
        fs::remove_all(folder);
    }
    void TearDown() override {
        fs::remove_all(folder);
        MainLoopTest::TearDown();
    }
    fs::path folder;
};

// Every step shows what it should, with no layout problem (the tour checks both), looks as its
// golden picture, and is written as a distinct picture listed in order.
TEST_F(DemoTourTest, EveryStepShowsWhatItShouldWithADistinctPictureListedInOrder) {
    std::ostringstream out;
    DemoTour::Options options;
    options.snapshotFolder = folder / "pictures";  // made by the tour
    options.scale = 1;
    DemoTour tour(out);
    int compared = 0;
    tour.onStep = [&](int step, const std::shared_ptr<UIWindow>& window) {
        char name[32];
        std::snprintf(name, sizeof name, "demo/step-%02d", step);
        ++compared;
        EXPECT_TRUE(GoldenPicture::matches(PictureRenderer::render(window), name));
    };
    ASSERT_EQ(tour.runTour(options), 0) << out.str();
    EXPECT_NE(out.str().find("layout: no layout problems"), std::string::npos);

    std::vector<std::string> captions;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("== ", 0) == 0) captions.push_back(line.substr(3));
    ASSERT_GE(captions.size(), 15u);
    EXPECT_EQ(compared, static_cast<int>(captions.size()));

    const std::string html = contents(folder / "pictures" / "index.html");
    std::string previous;
    std::size_t at = 0;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "step-%02zu.png", i + 1);
        const std::string png = contents(folder / "pictures" / name);
        ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << name;
        auto image = UIImage::fromFile((folder / "pictures" / name).string());
        ASSERT_TRUE(image) << name << " does not decode";
        EXPECT_EQ(image->size(), (CGSize{375, 667})) << name;
        EXPECT_TRUE(png != previous) << name << " shows the same as the step before";
        previous = png;

        // In order, each picture with its caption, made safe for HTML.
        at = html.find(std::string("src=\"") + name + "\"", at);
        ASSERT_NE(at, std::string::npos) << name << " is missing from index.html or out of order";
        EXPECT_NE(html.find(DemoTour::htmlEscaped(captions[i]), at), std::string::npos) << captions[i];
    }
    EXPECT_EQ(html.find("\"Help & support\""), std::string::npos);  // escaped: &quot;Help &amp; support&quot;
    EXPECT_NE(html.find("&quot;Help &amp; support&quot;"), std::string::npos);
}

TEST(DemoTourHtml, TextIsEscaped) {
    EXPECT_EQ(DemoTour::htmlEscaped("<b>\"Tom\" & 'Jerry'</b>"),
              "&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;&lt;/b&gt;");
}

}  // namespace
