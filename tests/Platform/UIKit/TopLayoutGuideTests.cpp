// The device's layout: a status bar, the navigation bar under it, and each screen's content
// placed from the top layout guide, whether the bar is translucent or opaque.
#include <gtest/gtest.h>

#include "UIKit/UINavigationController.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "support/Platform/UIKitTest.h"

namespace {

// A screen whose header sits 8 points below the guide and whose list fills down to a bottom bar
// of 56 points, drawn with the guide at 0.
class GuidedScreen : public UIViewController {
public:
    std::shared_ptr<UIView> header, list, bottomBar;

    void loadView() override {
        auto root = UIView::make(CGRect{0, 0, 375, 667});
        header = UIView::make(CGRect{16, 8, 343, 40});
        list = UIView::make(CGRect{0, 56, 375, 555});
        bottomBar = UIView::make(CGRect{0, 611, 375, 56});
        bottomBar->setAutoresizingMask(UIViewAutoresizingFlexibleTopMargin);
        for (const auto& view : {header, list, bottomBar}) root->addSubview(view);
        setView(root);
        pinToTopLayoutGuide(header);
        pinToTopLayoutGuide(list, GuidePin::stretches);
    }
};

class TopLayoutGuideTest : public UIKitTest {
protected:
    std::shared_ptr<GuidedScreen> showInNavigation(bool translucent) {
        auto screen = std::make_shared<GuidedScreen>();
        navigation = UINavigationController::make(screen);
        navigation->navigationBar()->setTranslucent(translucent);
        window()->setRootViewController(navigation);
        window()->makeKeyAndVisible();
        drain();
        return screen;
    }
    std::shared_ptr<UINavigationController> navigation;
};

TEST_F(TopLayoutGuideTest, TheBarSitsUnderTheStatusBarAndTheContentStartsAtItsBottom) {
    struct Case {
        bool translucent;
        CGRect view;  // the screen's view in the window
        CGFloat guide;
    } cases[] = {
        {true, {0, 0, 375, 667}, 64},   // the view reaches under the bar
        {false, {0, 64, 375, 603}, 0},  // the view starts below the bar
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.translucent ? "translucent" : "opaque");
        auto screen = showInNavigation(c.translucent);
        EXPECT_EQ(navigation->navigationBar()->frame(), (CGRect{0, 20, 375, 44}));
        EXPECT_EQ(screen->view()->convertRectTo(screen->view()->bounds(), nullptr), c.view);
        EXPECT_EQ(screen->topLayoutGuideLength(), c.guide);
        // Wherever the view starts, the content is at the same place on the glass.
        EXPECT_EQ(screen->header->convertRectTo(screen->header->bounds(), nullptr), (CGRect{16, 72, 343, 40}));
        EXPECT_EQ(screen->list->convertRectTo(screen->list->bounds(), nullptr), (CGRect{0, 120, 375, 491}));
        EXPECT_EQ(screen->bottomBar->convertRectTo(screen->bottomBar->bounds(), nullptr), (CGRect{0, 611, 375, 56}));
    }
}

TEST_F(TopLayoutGuideTest, ContentFollowsTheGuideWhenTheBarChangesOrHides) {
    auto screen = showInNavigation(true);
    navigation->navigationBar()->setTranslucent(false);
    EXPECT_EQ(screen->view()->frame(), (CGRect{0, 64, 375, 603}));
    EXPECT_EQ(screen->header->frame().origin.y, 8);
    EXPECT_EQ(screen->list->frame(), (CGRect{0, 56, 375, 491}));

    navigation->setNavigationBarHidden(true, false);
    EXPECT_EQ(screen->view()->frame(), (CGRect{0, 0, 375, 667}));
    EXPECT_EQ(screen->topLayoutGuideLength(), UIViewController::statusBarHeight);
    EXPECT_EQ(screen->header->frame().origin.y, 28);
    EXPECT_EQ(screen->list->frame(), (CGRect{0, 76, 375, 535}));
}

TEST_F(TopLayoutGuideTest, AScreenWithoutABarStartsBelowTheStatusBar) {
    auto screen = std::make_shared<GuidedScreen>();
    window()->setRootViewController(screen);
    window()->makeKeyAndVisible();
    EXPECT_EQ(screen->header->frame().origin.y, 28);
}

TEST(Autoresizing, FlexibleMarginsAndSizesShareTheChange) {
    auto parent = UIView::make(CGRect{0, 0, 100, 100});
    auto onBottom = UIView::make(CGRect{0, 80, 100, 20});
    onBottom->setAutoresizingMask(UIViewAutoresizingFlexibleTopMargin | UIViewAutoresizingFlexibleWidth);
    auto centred = UIView::make(CGRect{40, 40, 20, 20});
    centred->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin |
                                 UIViewAutoresizingFlexibleTopMargin | UIViewAutoresizingFlexibleBottomMargin);
    auto fixed = UIView::make(CGRect{10, 10, 10, 10});
    for (const auto& view : {onBottom, centred, fixed}) parent->addSubview(view);
    parent->setFrame(CGRect{0, 0, 200, 60});
    EXPECT_EQ(onBottom->frame(), (CGRect{0, 40, 200, 20}));
    EXPECT_EQ(centred->frame(), (CGRect{90, 20, 20, 20}));
    EXPECT_EQ(fixed->frame(), (CGRect{10, 10, 10, 10}));
}

TEST(TextInsets, FieldsAndTextViewsKeepTheirTextOffTheBorder) {
    auto field = UIView::make<UITextField>(CGRect{0, 0, 200, 40});
    EXPECT_EQ(field->textRectForBounds(field->bounds()), field->bounds());  // no border: the bare text
    field->setBorderStyle(UITextBorderStyle::roundedRect);
    EXPECT_EQ(field->textRectForBounds(field->bounds()), (CGRect{7, 0, 186, 40}));

    // A text view sets its lines inside its padding: 11 characters of 8.5 points fit a line of a
    // 110-point view, not 12, so this text takes 4 lines of 21 points rather than 3.
    auto view = UIView::make<UITextView>(CGRect{0, 0, 110, 100});
    view->setFont(UIFont::systemFont(17));
    view->setText("aaaaaaaaaaaaaaaa aaaaaaaaaaaa");
    EXPECT_EQ(view->sizeThatFits(CGSize{110, 0}).height, 8 + 4 * 21 + 8);
}

}  // namespace
