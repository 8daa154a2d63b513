// The layout check: each kind of problem found where a person would see it, and not where the
// glass is fine (hidden behind an opaque view, allowed by the design, clipped by a scroll view).
#include <gtest/gtest.h>

#include <functional>

#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UIViewController.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/PictureComparison.h"
#include "support/Platform/UIKitTest.h"

namespace {

using Kind = LayoutProblem::Kind;

class LayoutCheckTest : public UIKitTest {
public:  // the cases' builders use the helpers
    void SetUp() override {
        UIKitTest::SetUp();
        screen = std::make_shared<UIViewController>();
        screen->setView(UIView::make(CGRect{0, 0, 375, 667}));
        screen->view()->setBackgroundColor(UIColor::white());
        window()->setRootViewController(screen);
        window()->makeKeyAndVisible();
    }
    std::shared_ptr<UILabel> label(CGRect frame, const std::string& text) {
        auto shown = UIView::make<UILabel>(frame);
        shown->setText(text);
        screen->view()->addSubview(shown);
        return shown;
    }
    std::vector<Kind> kinds() const {
        std::vector<Kind> found;
        for (const auto& problem : GlassReader::layoutProblems(window())) found.push_back(problem.kind);
        return found;
    }
    std::shared_ptr<UIViewController> screen;
};

TEST_F(LayoutCheckTest, EachKindOfProblemIsFoundAndAFineLayoutHasNone) {
    struct Case {
        const char* name;
        std::function<void(LayoutCheckTest&)> build;
        std::vector<Kind> expected;
    } cases[] = {
        {"fine", [](LayoutCheckTest& t) { t.label({16, 100, 200, 30}, "Hello"); }, {}},
        {"a text cut by a short label",
         [](LayoutCheckTest& t) { t.label({16, 100, 40, 30}, "Hello there")->setNumberOfLines(0); },
         {Kind::textDoesNotFit}},
        {"one line too narrow", [](LayoutCheckTest& t) { t.label({16, 100, 40, 30}, "Hello there"); },
         {Kind::textDoesNotFit}},
        {"a title wider than its button",
         [](LayoutCheckTest& t) {
             auto button = UIView::make<UIButton>(CGRect{16, 100, 44, 44});
             button->setTitle("Settings", UIControlStateNormal);
             button->setTitleColor(UIColor::black(), UIControlStateNormal);
             t.screen->view()->addSubview(button);
         },
         {Kind::textDoesNotFit}},
        {"partly below the window", [](LayoutCheckTest& t) { t.label({16, 650, 200, 30}, "Hi"); },
         {Kind::outsideWindow}},
        {"two texts over each other",
         [](LayoutCheckTest& t) {
             t.label({16, 100, 200, 30}, "Hello");
             t.label({30, 100, 200, 30}, "World");
         },
         {Kind::textsOverlap}},
        {"grey on white", [](LayoutCheckTest& t) { t.label({16, 100, 200, 30}, "Hello")->setTextColor(UIColor(0.6, 0.6, 0.6, 1)); },
         {Kind::lowContrast}},
        {"black on a translucent black veil",
         [](LayoutCheckTest& t) {
             auto veil = UIView::make(CGRect{0, 80, 375, 100});
             veil->setBackgroundColor(UIColor(0, 0, 0, 0.8));
             t.screen->view()->addSubview(veil);
             auto text = UIView::make<UILabel>(CGRect{16, 20, 200, 30});
             text->setText("Hello");
             veil->addSubview(text);
         },
         {Kind::lowContrast}},
        {"a button under a view",
         [](LayoutCheckTest& t) {
             auto button = UIView::make<UIButton>(CGRect{16, 100, 100, 44});
             t.screen->view()->addSubview(button);
             t.screen->view()->addSubview(UIView::make(CGRect{0, 90, 375, 100}));
         },
         {Kind::controlCovered}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& view : std::vector(screen->view()->subviews())) view->removeFromSuperview();
        c.build(*this);
        EXPECT_EQ(kinds(), c.expected) << LayoutCheck::report(GlassReader::layoutProblems(window()));
    }
}

TEST_F(LayoutCheckTest, WhatTheGlassDoesNotShowOrTheDesignAsksForIsNotReported) {
    // A text hidden behind an opaque view is not drawn over by the text above it.
    label({16, 100, 200, 30}, "Below");
    auto panel = UIView::make(CGRect{0, 90, 375, 60});
    panel->setBackgroundColor(UIColor::white());
    screen->view()->addSubview(panel);
    label({30, 100, 200, 30}, "Above");
    // Rows scrolled out of a list are clipped by it, not drawn outside the window.
    auto list = UIView::make<UIScrollView>(CGRect{0, 400, 375, 267});
    screen->view()->addSubview(list);
    auto row = UIView::make<UILabel>(CGRect{16, 250, 200, 30});
    row->setText("Row");
    list->addSubview(row);
    // A clear catcher of taps the design puts over a button, and a sheet waiting below.
    auto button = UIView::make<UIButton>(CGRect{16, 200, 100, 44});
    screen->view()->addSubview(button);
    auto catcher = UIView::make<UIButton>(CGRect{0, 180, 375, 100});
    catcher->allowLayoutProblems(UIView::coversControl, "collapses the sheet");
    screen->view()->addSubview(catcher);
    auto sheet = UIView::make(CGRect{0, 600, 375, 300});
    sheet->allowLayoutProblems(UIView::outsideWindow, "waits below the window");
    screen->view()->addSubview(sheet);
    EXPECT_EQ(kinds(), std::vector<Kind>{}) << LayoutCheck::report(GlassReader::layoutProblems(window()));

    catcher->removeFromSuperview();
    screen->view()->addSubview(UIView::make<UIButton>(CGRect{0, 180, 375, 100}));
    ASSERT_EQ(kinds(), std::vector<Kind>{Kind::controlCovered});
    EXPECT_NE(GlassReader::layoutProblems(window()).front().path.find("UIButton"), std::string::npos);
}

TEST(LayoutCheckContrast, RatiosAndThresholdsOfWcag) {
    EXPECT_NEAR(LayoutCheck::contrastRatio(UIColor::black(), UIColor::white()), 21, 1e-9);
    EXPECT_NEAR(LayoutCheck::contrastRatio(UIColor::white(), UIColor::white()), 1, 1e-9);
    // #767676 is the lightest grey that still reads as body text on white.
    const UIColor grey(0x76 / 255.0, 0x76 / 255.0, 0x76 / 255.0, 1);
    EXPECT_GE(LayoutCheck::contrastRatio(grey, UIColor::white()), LayoutCheck::bodyTextContrast);
    const UIColor lighter(0x77 / 255.0, 0x77 / 255.0, 0x77 / 255.0, 1);
    EXPECT_LT(LayoutCheck::contrastRatio(lighter, UIColor::white()), LayoutCheck::bodyTextContrast);
}

TEST_F(LayoutCheckTest, LargeTextNeedsLessContrast) {
    const UIColor grey(0.55, 0.55, 0.55, 1);  // about 3.5 : 1 on white
    auto small = label({16, 100, 300, 30}, "Small");
    small->setTextColor(grey);
    EXPECT_EQ(kinds(), std::vector<Kind>{Kind::lowContrast});
    small->setFont(UIFont::systemFont(18));
    EXPECT_EQ(kinds(), std::vector<Kind>{});
    small->setFont(UIFont::boldSystemFont(14));
    EXPECT_EQ(kinds(), std::vector<Kind>{});
}

TEST(PictureComparison, ColourDifferencesAsAPersonSeesThem) {
    EXPECT_EQ(PictureComparison::deltaE94(0xFF336699u, 0xFF336699u), 0);
    EXPECT_NEAR(PictureComparison::deltaE94(0xFF000000u, 0xFFFFFFFFu), 100, 0.01);
    // One step of one channel is below what anyone notices; red against green is not.
    EXPECT_LT(PictureComparison::deltaE94(0xFF808080u, 0xFF818080u), 1);
    EXPECT_GT(PictureComparison::deltaE94(0xFFFF0000u, 0xFF00FF00u), 50);
    // A transparent pixel counts as the white it shows over.
    EXPECT_EQ(PictureComparison::deltaE94(0x00000000u, 0xFFFFFFFFu), 0);
}

TEST(PictureComparison, APictureMatchesWhileFewPixelsDiffer) {
    Picture golden{100, 100, std::vector<std::uint32_t>(10000, 0xFFFFFFFFu)};
    Picture actual = golden;
    for (int i = 0; i < 10; ++i) actual.pixels[static_cast<std::size_t>(i)] = 0xFF000000u;  // 0.1 %
    actual.pixels[500] = 0xFFFEFEFEu;  // within the colour tolerance
    auto difference = PictureComparison::compare(golden, actual);
    EXPECT_EQ(difference.differing, 10);
    EXPECT_TRUE(difference.withinTolerance());
    EXPECT_EQ(difference.map.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(difference.map.pixels[500], 0xFFFFD000u);

    actual.pixels[10] = 0xFF000000u;  // one more: over the share
    EXPECT_FALSE(PictureComparison::compare(golden, actual).withinTolerance());
    EXPECT_FALSE(PictureComparison::compare(golden, Picture{100, 99, std::vector<std::uint32_t>(9900)}).withinTolerance());
}

}  // namespace
