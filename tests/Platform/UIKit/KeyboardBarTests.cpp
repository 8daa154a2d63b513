#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "UIKit/PictureRenderer.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIToolbar.h"
#include "support/Platform/UIKitTest.h"

namespace {

using Channel = int (*)(std::uint32_t);
int redOf(std::uint32_t p) { return (p >> 16) & 0xFF; }
int greenOf(std::uint32_t p) { return (p >> 8) & 0xFF; }
int blueOf(std::uint32_t p) { return p & 0xFF; }

// The box around the pixels in `area` where one channel is strong and the others weak: an item's
// ink in its own pure colour.
std::optional<CGRect> inkOf(const Picture& picture, CGRect area, Channel strong) {
    int left = picture.width, top = picture.height, right = -1, bottom = -1;
    for (int y = int(area.minY()); y < int(area.maxY()); ++y) {
        for (int x = int(area.minX()); x < int(area.maxX()); ++x) {
            const auto p = picture.pixel(x, y);
            if (strong(p) > 150 && redOf(p) + greenOf(p) + blueOf(p) - strong(p) < 120) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return std::nullopt;
    return CGRect(left, top, right - left + 1, bottom - top + 1);
}

}  // namespace

// The toolbar the keyboard shows above its keys: its items are drawn, not views, and a tap finds
// them where they are drawn.
class KeyboardBarTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        field = UIView::make<UITextField>(CGRect{20, 100, 300, 40});
        window()->addSubview(field);
        auto item = [](const char* title, UIColor tint, UIBarButtonItem::Style style) {
            auto made = std::make_shared<UIBarButtonItem>(std::optional<std::string>(title), style);
            made->setTintColor(tint);
            return made;
        };
        previous = item("\xE2\x97\x80", UIColor::redColor(), UIBarButtonItem::Style::plain);
        next = item("\xE2\x96\xB6", UIColor(0, 1, 0, 1), UIBarButtonItem::Style::plain);
        done = item("Done", UIColor::blueColor(), UIBarButtonItem::Style::done);
        auto fixed = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::fixedSpace);
        fixed->setWidth(20);
        auto flexible = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::flexibleSpace);
        auto toolbar = UIView::make<UIToolbar>(CGRect{0, 0, 375, 44});
        toolbar->setItems({previous, fixed, next, flexible, done});
        field->setInputAccessoryView(toolbar);
        field->becomeFirstResponder();
        drain();
        ASSERT_TRUE(window()->keyboardFrame());
        bar = CGRect{0, window()->keyboardFrame()->minY(), 375, 44};
    }

    std::shared_ptr<UITextField> field;
    std::shared_ptr<UIBarButtonItem> previous, next, done;
    CGRect bar;
};

TEST_F(KeyboardBarTest, ATapLandsOnTheItemDrawnUnderItAndNowhereElse) {
    const Picture picture = PictureRenderer::render(window());
    for (auto [item, colour, name] : {std::tuple{previous, &redOf, "previous"}, {next, &greenOf, "next"}, {done, &blueOf, "Done"}}) {
        auto ink = inkOf(picture, bar, colour);
        ASSERT_TRUE(ink) << name << " is not drawn on the bar";
        EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), ink->center()), item) << name;
        // A finger a little beside the ink still hits it.
        EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), {ink->minX() - 2, bar.minY() + 3}), item) << name;
        EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), {ink->maxX() + 2, bar.maxY() - 3}), item) << name;
    }
    // The fixed space between the arrows, the flexible one before Done, the keys, the screen.
    for (CGPoint nothing : {CGPoint{inkOf(picture, bar, &redOf)->maxX() + 14, bar.midY()}, CGPoint{200, bar.midY()},
                            CGPoint{200, bar.maxY() + 30}, CGPoint{200, bar.minY() - 5}}) {
        EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), nothing), nullptr) << nothing.x << ", " << nothing.y;
    }
}

TEST_F(KeyboardBarTest, TheBarIsOnlyThereWhileTheKeyboardShowsIt) {
    const CGPoint onDone = PictureRenderer::keyboardBarItems(window()).back().frame.center();
    ASSERT_EQ(PictureRenderer::keyboardBarItemAt(window(), onDone), done);
    field->resignFirstResponder();
    drain();
    EXPECT_TRUE(PictureRenderer::keyboardBarItems(window()).empty());
    EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), onDone), nullptr);
    field->becomeFirstResponder();
    field->inputAccessoryView()->setHidden(true);
    EXPECT_EQ(PictureRenderer::keyboardBarItemAt(window(), onDone), nullptr);
}
