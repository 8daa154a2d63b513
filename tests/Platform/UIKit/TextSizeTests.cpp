#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "UIKit/UILabel.h"
#include "UIKit/UITextView.h"
#include "support/Platform/UIKitTest.h"

namespace {

// At 10 points a grapheme is 5 points wide and a line 12 high: 100 points hold 20 graphemes.
const UIFont font10 = UIFont::systemFont(10);

struct LabelCase {
    const char* what;
    std::optional<std::string> text;
    CGFloat width;  // 0: no limit
    int lines;
    CGSize expected;
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.what; }

// Joined out of line: GCC 12 at -O1 with the thread sanitizer misreads an inlined
// `literal + std::string` as out of bounds (-Warray-bounds).
[[gnu::noinline]] std::string joined(std::initializer_list<std::string> parts) {
    std::string text;
    for (const auto& part : parts) text += part;
    return text;
}

class LabelSizeTest : public UIKitTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(LabelSizeTest, WrapsAtTheWidthAndStopsAtTheLineLimit) {
    const auto& c = GetParam();
    auto label = UIView::make<UILabel>();
    label->setFont(font10);
    label->setText(c.text);
    label->setNumberOfLines(c.lines);
    EXPECT_EQ(label->sizeThatFits(CGSize{c.width, 0}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LabelSizeTest,
    ::testing::Values(
        LabelCase{"no text", std::nullopt, 100, 0, {0, 0}},
        LabelCase{"empty text", "", 100, 0, {0, 0}},
        LabelCase{"fits on one line", "Hello world", 100, 0, {55, 12}},
        LabelCase{"wraps between words", "aaaa bbbb cccc dddd eeee", 100, 0, {95, 24}},
        LabelCase{"one line only", "aaaa bbbb cccc dddd eeee", 100, 1, {95, 12}},
        LabelCase{"line breaks, cut by the limit", "one\n\ntwo\nthree", 0, 3, {15, 36}},
        LabelCase{"a long word on its own lines, broken inside", joined({"hi ", std::string(45, 'x')}), 100, 0, {100, 48}},
        LabelCase{"spaces at a wrap do not begin the next line", joined({std::string(20, 'a'), "   ", std::string(19, 'b')}), 100, 0, {100, 24}},
        LabelCase{"spaces at the end make no line", joined({std::string(20, 'a'), "  "}), 100, 0, {100, 12}},
        LabelCase{"an emoji with its modifier and a combining mark are one each",
                  "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD" "e\xCC\x81", 0, 1, {10, 12}},
        LabelCase{"narrower than a grapheme", "abc", 3, 0, {5, 36}}));

class TextSizeTest : public UIKitTest {};

TEST_F(TextSizeTest, ALabelsOwnSizeWrapsOnlyAtItsPreferredWidth) {
    auto label = UIView::make<UILabel>();
    label->setText("aaaa bbbb cccc dddd eeee");
    label->setNumberOfLines(0);
    // The platform's label font: 17 points, 8.5 per grapheme, 21-point lines.
    EXPECT_EQ(label->intrinsicContentSize(), (CGSize{204, 21}));
    label->setFont(font10);
    label->setPreferredMaxLayoutWidth(100);
    EXPECT_EQ(label->intrinsicContentSize(), (CGSize{95, 24}));
    label->sizeToFit();  // at its own width, 0: no limit
    EXPECT_EQ(label->frame().size, (CGSize{120, 12}));
    EXPECT_EQ(UIView::make()->intrinsicContentSize(), (CGSize{UIView::noIntrinsicMetric, UIView::noIntrinsicMetric}));
}

TEST_F(TextSizeTest, ATextViewAddsItsInsetsAndKeepsALineForTheCaret) {
    auto view = UIView::make<UITextView>();
    view->setFont(font10);
    // The line padding (5 points a side) comes on top of the insets.
    EXPECT_EQ(view->sizeThatFits(CGSize{200, 0}), (CGSize{10, 12 + 16}));  // empty: one line
    view->setText("Hello");
    EXPECT_EQ(view->sizeThatFits(CGSize{200, 0}), (CGSize{25 + 10, 12 + 16}));
    // The insets and padding narrow the text: 62 - 22 leaves 40 points, 8 graphemes a line.
    view->setTextContainerInset(UIEdgeInsets{4, 6, 4, 6});
    view->setText("aaaa bbbb cccc");
    EXPECT_EQ(view->sizeThatFits(CGSize{62, 0}), (CGSize{20 + 22, 36 + 8}));
    view->setText("line\nline\nline");
    EXPECT_EQ(view->sizeThatFits(CGSize{0, 0}), (CGSize{20 + 22, 36 + 8}));
}

}  // namespace
