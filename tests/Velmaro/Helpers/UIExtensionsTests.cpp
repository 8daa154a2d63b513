#include <gtest/gtest.h>

#include <thread>

#include "UIKit/CALayer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIStoryboard.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"
#include "UIKitTesting/GlassReader.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "UIKitTesting/UIStoryboardTestApi.h"
#include "Velmaro/CoreInterface/Config.h"
#include "Velmaro/Helpers/Protocols.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "support/Platform/UIKitTest.h"

using namespace velmaro;

namespace {

TEST(ColorExtensionsTest, IntegerComponentsAndHexValues) {
    UIColor white = colorWithRGB(255, 255, 255);
    EXPECT_EQ(white.red(), 1.0);
    EXPECT_EQ(white.green(), 1.0);
    EXPECT_EQ(white.blue(), 1.0);
    EXPECT_EQ(white.alpha(), 1.0);
    EXPECT_EQ(colorWithHexValue(0xFFFFFF), UIColor::white());
    EXPECT_EQ(colorWithHexValue(0xF1F2F6), colorWithRGB(241, 242, 246));
    // Bits above the 24 colour bits are ignored.
    EXPECT_EQ(colorWithHexValue(0x7F48DFB2), colorWithHexValue(0x48DFB2));
    EXPECT_EQ(colorWithHexValue(0x1000000), colorWithRGB(0, 0, 0));
    // Components are not clamped.
    EXPECT_DOUBLE_EQ(redValue(colorWithRGB(510, 0, 0)), 2.0);
}

// The tenant's colour crosses the core interface as plain values and comes back whole.
TEST(ColorExtensionsTest, ATenantColourCrossesTheCoreInterfaceUnchanged) {
    for (const UIColor& color : {UIColor(0.1, 0.2, 0.3, 0.4), colorWithHexValue(0xD0021B), UIColor::clear()}) {
        Config config;
        config.primaryColor = color;  // a host assigns its toolkit colour as before
        EXPECT_EQ(uiColor(config.primaryColor), color) << color.description();
        EXPECT_EQ(config.primaryColor, RGBAColor(color.red(), color.green(), color.blue(), color.alpha()));
    }
    EXPECT_EQ(uiColor(Config{}.primaryColor), UIColor::clear());
}

TEST(ColorExtensionsTest, IsLightOnlyStrictlyAboveHalfWhite) {
    EXPECT_FALSE(isLight(UIColor::withWhite(0.5, 1)));
    EXPECT_TRUE(isLight(UIColor::withWhite(0.5001, 1)));
    EXPECT_TRUE(isLight(UIColor::white()));
    EXPECT_FALSE(isLight(UIColor::black()));
    EXPECT_TRUE(isLight(VelmaroColors::VelmaroLightGray()));
    EXPECT_FALSE(isLight(colorWithRGB(0, 0, 255)));
}

TEST(ColorExtensionsTest, PaletteIsMadeOnceFromItsHexValues) {
    EXPECT_EQ(VelmaroColors::VelmaroGreen(), colorWithHexValue(0x48DFB2));
    EXPECT_EQ(&VelmaroColors::VelmaroGreen(), &VelmaroColors::VelmaroGreen());
    EXPECT_DOUBLE_EQ(redValue(VelmaroColors::VelmaroDarkGray()), 0x8A / 255.0);
    EXPECT_DOUBLE_EQ(greenValue(VelmaroColors::VelmaroDarkGray()), 0x96 / 255.0);
    EXPECT_DOUBLE_EQ(blueValue(VelmaroColors::VelmaroDarkGray()), 0xAC / 255.0);
}

}  // namespace

namespace {

TEST(ViewLayerPropertiesTest, CornerRadiusClipsExactlyWhenPositive) {
    auto view = UIView::make(CGRect{0, 0, 80, 40});
    setCornerRadius(*view, 8);
    EXPECT_EQ(cornerRadius(*view), 8);
    EXPECT_TRUE(view->layer()->masksToBounds());
    EXPECT_TRUE(view->clipsToBounds());
    setCornerRadius(*view, 0);
    EXPECT_FALSE(view->clipsToBounds());
    view->setClipsToBounds(true);
    setCornerRadius(*view, -2);
    EXPECT_FALSE(view->clipsToBounds());
}

TEST(ViewLayerPropertiesTest, BorderShadowAndSizeForwardToTheLayerAndFrame) {
    auto view = UIView::make(CGRect{5, 5, 80, 40});
    setBorderWidth(*view, 2);
    setBorderColor(*view, VelmaroColors::VelmaroGreen());
    setShadowOffset(*view, CGSize{1, 2});
    setShadowOpacity(*view, 0.25f);
    setShadowRadius(*view, 6);
    EXPECT_EQ(view->layer()->borderWidth(), 2);
    EXPECT_EQ(borderColor(*view), VelmaroColors::VelmaroGreen());
    EXPECT_EQ(shadowOffset(*view), (CGSize{1, 2}));
    EXPECT_EQ(shadowOpacity(*view), 0.25f);
    EXPECT_EQ(shadowRadius(*view), 6);

    setShadowColor(*view, std::nullopt);
    EXPECT_EQ(shadowColor(*view), UIColor::clear());
    setShadowColor(*view, UIColor::white());
    EXPECT_EQ(view->layer()->shadowColor(), UIColor::white());

    view->setTransform(CGAffineTransform::makeScale(2, 0.5));
    EXPECT_EQ(width(*view), 160);
    EXPECT_EQ(height(*view), 20);
}

}  // namespace

namespace {

class TextFieldExtensionsTest : public UIKitTest {
protected:
    std::shared_ptr<UITextField> addField(CGFloat y) {
        auto field = UIView::make<UITextField>(CGRect{10, y, 200, 30});
        window()->addSubview(field);
        return field;
    }
};

TEST_F(TextFieldExtensionsTest, PaddingLeftShiftsTheContentAndReadsZero) {
    auto field = addField(10);
    setPaddingLeft(*field, 10);
    EXPECT_EQ(field->layer()->sublayerTransform(), CATransform3D::makeTranslation(10, 0, 0));
    EXPECT_EQ(paddingLeft(*field), 0);
}

TEST_F(TextFieldExtensionsTest, ReturnMovesThroughConnectedFieldsAndTheLastDismissesTheKeyboard) {
    auto first = addField(10);
    auto second = addField(50);
    auto third = addField(90);
    connectFields({first, second, third});
    EXPECT_EQ(first->returnKeyType(), UIReturnKeyType::next);
    EXPECT_EQ(second->returnKeyType(), UIReturnKeyType::next);
    EXPECT_EQ(third->returnKeyType(), UIReturnKeyType::done);

    ASSERT_TRUE(UIEventGenerator::beginEditing(first));
    EXPECT_TRUE(UIEventGenerator::pressReturn(first));
    EXPECT_TRUE(second->isFirstResponder());
    EXPECT_TRUE(UIEventGenerator::pressReturn(second));
    EXPECT_TRUE(third->isFirstResponder());
    EXPECT_TRUE(UIEventGenerator::pressReturn(third));
    EXPECT_FALSE(third->isFirstResponder());
    EXPECT_FALSE(first->isFirstResponder());
    EXPECT_FALSE(second->isFirstResponder());
}

TEST_F(TextFieldExtensionsTest, ASingleFieldIsTheLastAndAnEmptyListIsFine) {
    connectFields({});
    auto only = addField(10);
    connectFields({only});
    EXPECT_EQ(only->returnKeyType(), UIReturnKeyType::done);
    ASSERT_TRUE(UIEventGenerator::beginEditing(only));
    UIEventGenerator::pressReturn(only);
    EXPECT_FALSE(only->isFirstResponder());
}

}  // namespace

namespace {

class AlertTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        screen = std::make_shared<UIViewController>();
        window()->setRootViewController(screen);
        window()->makeKeyAndVisible();
    }

    std::shared_ptr<UIViewController> screen;
};

TEST_F(AlertTest, TheAlertHasOneDismissButtonAndComesUpFromTheMainQueue) {
    showAlert(*screen, "Error", "The conversation could not be loaded");
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
    drain();
    auto alert = GlassReader::visibleAlert(window());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "The conversation could not be loaded");
    EXPECT_EQ(alert->preferredStyle(), UIAlertControllerStyle::alert);
    ASSERT_EQ(alert->actions().size(), 1u);
    EXPECT_EQ(alert->actions()[0]->title(), "Dismiss");
    EXPECT_EQ(alert->actions()[0]->style(), UIAlertActionStyle::defaultStyle);
    EXPECT_FALSE(alert->actions()[0]->hasHandler());

    EXPECT_TRUE(UIEventGenerator::pressAlertAction(window(), "Dismiss"));
    advance(UIViewController::transitionDuration);
    EXPECT_EQ(GlassReader::visibleAlert(window()), nullptr);
    EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(AlertTest, CalledOffTheMainThreadTheAlertIsPresentedOnTheMainThread) {
    // The toolkit stops the program if the glass is changed off the main thread.
    std::thread([this] { showAlert(screen, "Validation error", "Please use proper email adress"); }).join();
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    drain();
    advance(UIViewController::transitionDuration);
    ASSERT_TRUE(GlassReader::visibleAlert(window()));
    EXPECT_NE(glass(window()).find("Please use proper email adress"), std::string::npos) << glass(window());
}

TEST_F(AlertTest, AScreenAlreadyPresentingShowsTheAlertOnTopInsteadOfLosingIt) {
    auto form = std::make_shared<UIViewController>();
    screen->present(form, false);
    showAlert(screen, "Error", "first");
    drain();
    advance(UIViewController::transitionDuration);
    auto first = GlassReader::visibleAlert(window());
    ASSERT_TRUE(first);
    EXPECT_EQ(form->presentedViewController(), first);

    // A second failure while the first alert shows stacks over it.
    showAlert(*screen, "Error", "second");
    drain();
    advance(UIViewController::transitionDuration);
    auto second = GlassReader::visibleAlert(window());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->message(), "second");
    EXPECT_EQ(first->presentedViewController(), second);
}

TEST_F(AlertTest, AScreenNotOwnedBySharedPointerIsRefusedWithoutThrowing) {
    UIViewController loose;
    EXPECT_NO_THROW(showAlert(loose, "Error", "nowhere to show"));
    EXPECT_EQ(drain(), 0u);
}

class IssueCell : public UITableViewCell, public Reusable, public NibLoadable {
public:
    static constexpr const char* defaultReuseIdentifier = "AddConversationIssueCell";
};

class OtherCell : public UITableViewCell, public Reusable {
public:
    static constexpr const char* defaultReuseIdentifier = "OtherCell";
};

std::shared_ptr<UITableView> tableWithCells() {
    auto table = UIView::make<UITableView>(CGRect{0, 0, 320, 480});
    table->registerCell("AddConversationIssueCell", [] { return UIView::make<IssueCell>(); });
    table->registerCell("AddConversationOtherCell", [] { return UIView::make<IssueCell>(); });
    table->registerCell("OtherCell", [] { return UIView::make<OtherCell>(); });
    return table;
}

TEST(DequeueReusableCellTest, TheClassNameIsTheIdentifierUnlessOneIsGiven) {
    auto table = tableWithCells();
    std::shared_ptr<IssueCell> cell = dequeueReusableCell<IssueCell>(*table);
    EXPECT_EQ(cell->reuseIdentifier(), "AddConversationIssueCell");
    auto forRow = dequeueReusableCell<IssueCell>(*table, IndexPath{0, 0});
    EXPECT_EQ(forRow->reuseIdentifier(), "AddConversationIssueCell");
    auto named = dequeueReusableCell<IssueCell>(*table, std::nullopt, "AddConversationOtherCell");
    EXPECT_EQ(named->reuseIdentifier(), "AddConversationOtherCell");
}

TEST(DequeueReusableCellDeathTest, AMissingOrMistypedCellStopsTheProgramNamingTheIdentifier) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto table = tableWithCells();
    EXPECT_DEATH(dequeueReusableCell<OtherCell>(*table, IndexPath{0, 0}, "Unregistered"),
                 "Couldn\u2019t dequeue cell with identifier: Unregistered");
    // Registered, but under a class the caller did not ask for.
    EXPECT_DEATH(dequeueReusableCell<OtherCell>(*table, std::nullopt, "AddConversationIssueCell"),
                 "Couldn\u2019t dequeue cell with identifier: AddConversationIssueCell");
}

}  // namespace

namespace {

class BadgeView : public UITableViewCell {
public:
    void awakeFromNib() override { awoke = true; }
    bool awoke = false;
};

TEST(InstanceFromNibTest, AnswersTheFirstTopLevelViewOrNothing) {
    UIStoryboard::registerCellPrototype("BadgeNib", "Badge", [] { return UIView::make<BadgeView>(); });
    auto view = std::dynamic_pointer_cast<BadgeView>(instanceFromNib("BadgeNib"));
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->awoke);
    EXPECT_NE(instanceFromNib("BadgeNib"), view);

    EXPECT_EQ(instanceFromNib("NoSuchNib"), nullptr);
    // An interface that starts with a screen holds no view to answer.
    UIStoryboard::registerScene("ScreenNib", "Screen", [](const UIStoryboard&) { return std::make_shared<UIViewController>(); });
    UIStoryboard::setInitialScene("ScreenNib", "Screen");
    UIStoryboard::registerCellPrototype("ScreenNib", "Badge", [] { return UIView::make<BadgeView>(); });
    EXPECT_EQ(instanceFromNib("ScreenNib"), nullptr);
    UIStoryboardTestApi::unregisterStoryboard("BadgeNib");
    UIStoryboardTestApi::unregisterStoryboard("ScreenNib");
}

}  // namespace
