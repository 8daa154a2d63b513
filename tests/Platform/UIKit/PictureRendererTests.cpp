#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "Foundation/Bundle.h"
#include "UIKit/CAShapeLayer.h"
#include "UIKit/PictureRenderer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"
#include "support/Platform/ScratchFolder.h"
#include "support/Platform/TestImages.h"
#include "support/Platform/UIKitTest.h"

namespace fs = std::filesystem;

namespace {

// The window below its status bar, which every window draws.
constexpr CGRect belowStatusBar{0, 20, 375, 647};

constexpr std::uint32_t white = 0xFFFFFFFF;
constexpr std::uint32_t red = 0xFFFF0000;
constexpr std::uint32_t blue = 0xFF0000FF;

int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

// Equal within rounding, channel by channel.
::testing::AssertionResult near(std::uint32_t actual, std::uint32_t expected, int tolerance = 2) {
    for (int shift : {24, 16, 8, 0}) {
        if (std::abs(channel(actual, shift) - channel(expected, shift)) > tolerance) {
            return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

// Pixels that are not the white glass, in a rectangle (clamped to the picture).
struct Ink {
    int count = 0;
    double meanX = 0;
};
Ink inkIn(const Picture& picture, CGRect rect) {
    Ink ink;
    for (int y = std::max(0, int(rect.minY())); y < std::min(picture.height, int(rect.maxY())); ++y) {
        for (int x = std::max(0, int(rect.minX())); x < std::min(picture.width, int(rect.maxX())); ++x) {
            if (picture.pixel(x, y) != white) {
                ++ink.count;
                ink.meanX += x;
            }
        }
    }
    if (ink.count > 0) ink.meanX /= ink.count;
    return ink;
}

std::shared_ptr<UIView> coloured(CGRect frame, UIColor color) {
    auto view = UIView::make(frame);
    view->setBackgroundColor(color);
    return view;
}

// A view kind the renderer has never heard of.
class Gauge : public UIView {
public:
    using UIView::UIView;
};

class Rows : public UITableViewDataSource {
public:
    int numberOfRowsInSection(UITableView&, int) override { return 10; }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        auto cell = table.dequeueReusableCell("Row", indexPath);
        cell->setBackgroundColor(indexPath.row % 2 ? UIColor::blueColor() : UIColor::redColor());
        return cell;
    }
};

}  // namespace

class PictureRendererTest : public UIKitTest {
protected:
    ScratchFolder scratch{"picture-renderer"};
    const fs::path dir = scratch.path();
    Picture render() { return PictureRenderer::render(window()); }
};

TEST_F(PictureRendererTest, ViewsDrawInsideTheirFramesWithAlphaMultipliedDownTheTree) {
    window()->addSubview(coloured({50, 60, 100, 80}, UIColor::redColor()));
    auto hidden = coloured({0, 200, 100, 50}, UIColor::redColor());
    hidden->setHidden(true);
    window()->addSubview(hidden);
    auto transparent = coloured({0, 300, 100, 50}, UIColor::redColor());
    transparent->setAlpha(0);
    window()->addSubview(transparent);
    auto half = coloured({200, 200, 100, 50}, UIColor::redColor());
    half->setAlpha(0.5);
    window()->addSubview(half);
    auto parent = UIView::make(CGRect{200, 300, 100, 50});
    parent->setAlpha(0.5);
    auto child = coloured({0, 0, 100, 50}, UIColor::redColor());
    child->setAlpha(0.5);
    parent->addSubview(child);
    window()->addSubview(parent);

    auto picture = render();
    ASSERT_EQ(picture.width, 375);
    ASSERT_EQ(picture.height, 667);
    EXPECT_TRUE(near(picture.pixel(50, 60), red));
    EXPECT_TRUE(near(picture.pixel(149, 139), red));
    for (auto [x, y] : {std::pair{49, 100}, {150, 100}, {100, 59}, {100, 140}}) {
        EXPECT_EQ(picture.pixel(x, y), white) << x << ", " << y;
    }
    EXPECT_EQ(inkIn(picture, {0, 200, 100, 50}).count, 0);
    EXPECT_EQ(inkIn(picture, {0, 300, 100, 50}).count, 0);
    EXPECT_TRUE(near(picture.pixel(250, 225), 0xFFFF8080));
    EXPECT_TRUE(near(picture.pixel(250, 325), 0xFFFFBFBF));
    EXPECT_THROW(picture.pixel(375, 0), std::out_of_range);
}

TEST_F(PictureRendererTest, CornersOutsideARoundedClipOrMaskKeepWhatIsBehind) {
    auto rounded = coloured({20, 20, 100, 100}, UIColor::blueColor());
    rounded->layer()->setCornerRadius(30);
    rounded->layer()->setMasksToBounds(true);
    rounded->addSubview(coloured({0, 0, 100, 100}, UIColor::redColor()));  // clipped by its parent
    window()->addSubview(rounded);
    auto masked = coloured({200, 20, 100, 100}, UIColor::blueColor());
    auto mask = std::make_shared<CAShapeLayer>();
    mask->setPath(UIBezierPath::makeRoundedRect({0, 0, 100, 100}, UIRectCornerTopLeft | UIRectCornerTopRight, {30, 30}));
    masked->layer()->setMask(mask);
    window()->addSubview(masked);

    auto picture = render();
    EXPECT_EQ(picture.pixel(22, 22), white);
    EXPECT_EQ(picture.pixel(117, 117), white);
    EXPECT_TRUE(near(picture.pixel(70, 70), red));
    EXPECT_EQ(picture.pixel(202, 22), white);
    EXPECT_EQ(picture.pixel(297, 22), white);
    EXPECT_TRUE(near(picture.pixel(201, 118), blue));  // the bottom corners stay square
    EXPECT_TRUE(near(picture.pixel(250, 70), blue));
}

TEST_F(PictureRendererTest, ALabelInksInsideItsFrameInItsColourWhereItsAlignmentPutsIt) {
    double lastMean = 0;
    for (auto alignment : {NSTextAlignment::left, NSTextAlignment::center, NSTextAlignment::right}) {
        auto label = UIView::make<UILabel>(CGRect{40, 100, 300, 30});
        label->setText("Hello there");
        label->setTextColor(UIColor::redColor());
        label->setTextAlignment(alignment);
        window()->addSubview(label);
        auto picture = render();
        label->removeFromSuperview();

        auto ink = inkIn(picture, {40, 100, 300, 30});
        EXPECT_GT(ink.count, 50);
        EXPECT_EQ(inkIn(picture, belowStatusBar).count, ink.count) << "ink outside the frame";
        EXPECT_GT(ink.meanX, lastMean + 50);
        lastMean = ink.meanX;
        for (int y = 100; y < 130; ++y) {
            for (int x = 40; x < 340; ++x) {
                auto p = picture.pixel(x, y);
                ASSERT_TRUE(channel(p, 16) == 255 && channel(p, 8) == channel(p, 0)) << "not red ink at " << x << ", " << y;
            }
        }
    }
    // Text too large for its frame is cut at the frame, not spilled over its neighbours.
    auto cramped = UIView::make<UILabel>(CGRect{40, 200, 60, 8});
    cramped->setText("A text far too long for this frame");
    cramped->setNumberOfLines(0);
    window()->addSubview(cramped);
    auto picture = render();
    EXPECT_GT(inkIn(picture, {40, 200, 60, 8}).count, 0);
    EXPECT_EQ(inkIn(picture, belowStatusBar).count, inkIn(picture, {40, 200, 60, 8}).count);
}

// Cairo gives up on a whole picture over one singular matrix or malformed string.
TEST_F(PictureRendererTest, CollapsedViewsAndMalformedTextDoNotSpoilThePicture) {
    for (CGFloat factor : {0.0, 1e200}) {
        auto collapsed = coloured({0, 0, 100, 100}, UIColor::blueColor());
        collapsed->setTransform(CGAffineTransform::makeScale(factor, factor));
        window()->addSubview(collapsed);
    }
    auto label = UIView::make<UILabel>(CGRect{0, 200, 200, 30});
    label->setText(std::string("caf\xC3 \xFF\xFE ok"));
    window()->addSubview(label);
    window()->addSubview(coloured({300, 300, 20, 20}, UIColor::redColor()));
    auto picture = render();
    EXPECT_TRUE(near(picture.pixel(310, 310), red));
    EXPECT_EQ(picture.pixel(50, 50), white);
    EXPECT_GT(inkIn(picture, {0, 200, 200, 30}).count, 0);
}

TEST_F(PictureRendererTest, AViewAloneIsDrawnAtItsBoundsOverNothing) {
    auto view = coloured({300, 400, 40, 20}, UIColor(1, 0, 0, 0.5));
    view->addSubview(coloured({20, 0, 20, 20}, UIColor::blueColor()));
    view->setBounds({10, 0, 40, 20});  // content moved left by 10
    auto picture = PictureRenderer::renderView(view, 2.0);
    ASSERT_EQ(picture.width, 80);
    ASSERT_EQ(picture.height, 40);
    EXPECT_TRUE(near(picture.pixel(1, 1), 0x80FF0000));  // not premultiplied
    EXPECT_TRUE(near(picture.pixel(21, 1), blue));
    EXPECT_TRUE(near(picture.pixel(59, 39), blue));
    EXPECT_TRUE(near(picture.pixel(61, 1), 0x80FF0000));
    auto file = dir / "view.png";
    PictureRenderer::writePng(picture, file);
    auto back = PictureRenderer::readPng(file);
    EXPECT_TRUE(near(back.pixel(1, 1), 0x80FF0000));
}

TEST_F(PictureRendererTest, AnImageViewShowsItsBundleImage) {
    std::ofstream(dir / "dot@2x.png", std::ios::binary) << pngOfColor(0, 0, 255, 8);
    auto view = UIView::make<UIImageView>(UIImage::named("dot", Bundle::bundleWithPath(dir.string())));
    ASSERT_TRUE(view->image());
    view->setFrame({100, 100, 40, 40});
    window()->addSubview(view);
    auto picture = render();
    EXPECT_TRUE(near(picture.pixel(101, 101), blue));
    EXPECT_TRUE(near(picture.pixel(138, 138), blue));
    EXPECT_EQ(picture.pixel(141, 120), white);
}

TEST_F(PictureRendererTest, AnUnknownViewKindShowsItsOutlineAndAPlainViewDoesNot) {
    window()->addSubview(UIView::make<Gauge>(CGRect{100, 100, 50, 50}));
    window()->addSubview(UIView::make(CGRect{200, 100, 50, 50}));
    auto picture = render();
    EXPECT_NE(picture.pixel(100, 120), white);
    EXPECT_NE(picture.pixel(149, 120), white);
    EXPECT_EQ(picture.pixel(125, 125), white);
    EXPECT_EQ(inkIn(picture, {200, 100, 50, 50}).count, 0);
}

TEST_F(PictureRendererTest, TheKeyboardPanelShowsWhileAnInputHasTheFocus) {
    auto field = UIView::make<UITextField>(CGRect{20, 100, 300, 40});
    window()->addSubview(field);
    window()->makeKeyAndVisible();
    EXPECT_EQ(inkIn(render(), {0, 376, 375, 291}).count, 0);
    ASSERT_TRUE(field->becomeFirstResponder());
    auto picture = render();
    EXPECT_NE(picture.pixel(2, 380), white);
    EXPECT_NE(picture.pixel(372, 664), white);
    EXPECT_EQ(picture.pixel(2, 370), white);
}

TEST_F(PictureRendererTest, TableRowsFollowTheScrollOffset) {
    auto rows = std::make_shared<Rows>();
    auto table = UIView::make<UITableView>(CGRect{0, 100, 375, 200});
    table->registerCell("Row", [] { return UIView::make<UITableViewCell>(); });
    table->setDataSource(rows);
    window()->addSubview(table);
    drain();
    EXPECT_TRUE(near(render().pixel(10, 110), red));
    table->setContentOffset({0, 44});
    auto picture = render();
    EXPECT_TRUE(near(picture.pixel(10, 110), blue));
    EXPECT_EQ(picture.pixel(10, 305), white);
}

TEST_F(PictureRendererTest, AFullScreenPresentationCoversAndAnAlertDimsWhatIsBelow) {
    auto screen = std::make_shared<UIViewController>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    screen->view()->addSubview(coloured({0, 0, 375, 100}, UIColor::redColor()));
    auto cover = std::make_shared<UIViewController>();  // a clear view: the glass shows through
    screen->present(cover, false);
    drain();
    EXPECT_EQ(render().pixel(10, 40), white);
    cover->dismiss(false);
    drain();

    // An alert over a form being edited: the keyboard goes, as the platform ends the editing.
    auto field = UIView::make<UITextField>(CGRect{20, 120, 300, 40});
    screen->view()->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    auto alert = UIAlertController::make("Error", "Please enter some text");
    alert->addAction(UIAlertAction::make("OK", UIAlertActionStyle::defaultStyle));
    screen->present(alert, false);
    drain();
    auto picture = render();
    EXPECT_TRUE(near(picture.pixel(10, 40), 0xFF990000, 3));  // red, dimmed
    EXPECT_TRUE(near(picture.pixel(10, 600), 0xFF999999, 3));  // no keyboard
    EXPECT_GT(inkIn(picture, {60, 250, 255, 167}).count, 200);  // the box's texts
}

TEST_F(PictureRendererTest, APngReadsBackToTheSamePixelsAndABadPathThrowsNamingIt) {
    window()->addSubview(coloured({10, 10, 30, 30}, UIColor(0.2, 0.4, 0.6, 1)));
    auto label = UIView::make<UILabel>(CGRect{10, 50, 200, 20});
    label->setText("Saved");
    window()->addSubview(label);
    auto file = dir / "window.png";
    PictureRenderer::writePng(window(), file, 2.0);
    std::ifstream in(file, std::ios::binary);
    std::string signature(8, '\0');
    in.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
    auto back = PictureRenderer::readPng(file);
    auto picture = PictureRenderer::render(window(), 2.0);
    EXPECT_EQ(back.width, 750);
    EXPECT_EQ(back.height, 1334);
    EXPECT_TRUE(back.pixels == picture.pixels);

    auto bad = dir / "no-such-folder" / "window.png";
    try {
        PictureRenderer::writePng(window(), bad);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(bad.string()), std::string::npos) << error.what();
    }
    EXPECT_THROW(PictureRenderer::writePng(Picture{}, dir / "empty.png"), std::runtime_error);
    EXPECT_THROW(PictureRenderer::readPng(dir / "missing.png"), std::runtime_error);
    EXPECT_THROW(PictureRenderer::render(window(), 0), std::invalid_argument);
}
