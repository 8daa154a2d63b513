#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIKeyboard.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKitTesting/UIDeviceTestApi.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "Velmaro/Helpers/KHExtensions.h"
#include "Velmaro/Helpers/KHToolbar.h"
#include "Velmaro/Helpers/KeyboardHelper.h"
#include "support/Platform/UIKitTest.h"

// Named as the platform's private scroll container is, so the ancestor search must step over it.
class UITableViewWrapperView : public UIScrollView {
public:
    using UIScrollView::UIScrollView;
};

using namespace velmaro;

namespace {

// Refuses to give up (or to take) the focus while told to.
class Stubborn : public UITextFieldDelegate {
public:
    bool keepFocus = false;
    bool refuseFocus = false;
    bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>&) override { return !keepFocus; }
    bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>&) override { return !refuseFocus; }
};

// A plain view that records the touches it is given.
class TouchLog : public UIView {
public:
    using UIView::UIView;
    std::vector<std::string> touches;
    void touchesEnded(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { touches.push_back("ended"); }
};

// One row per cell, each cell holding the fields the test put in its content.
class FormRows : public UITableViewDataSource {
public:
    std::vector<std::vector<CGRect>> rows;
    std::vector<std::vector<std::shared_ptr<UITextField>>> fields;
    int numberOfRowsInSection(UITableView&, int) override { return static_cast<int>(rows.size()); }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView&, const IndexPath& indexPath) override {
        auto cell = UIView::make<UITableViewCell>(CGRect{0, 0, 375, 44});
        fields.resize(rows.size());
        for (const auto& frame : rows[static_cast<std::size_t>(indexPath.row)]) {
            auto field = UIView::make<UITextField>(frame);
            cell->contentView()->addSubview(field);
            fields[static_cast<std::size_t>(indexPath.row)].push_back(field);
        }
        return cell;
    }
};

class KeyboardHelperTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        KeyboardHelper::resetSharedForTesting();  // its registrations went with the centre's reset
        helper = KeyboardHelper::shared();
        helper->enable = true;
        form = UIView::make(CGRect{0, 0, 375, 667});
        window()->addSubview(form);
        window()->makeKeyAndVisible();
        target->setNamedAction("formAction:", [this](const std::shared_ptr<UIResponder>& sender,
                                                     const std::shared_ptr<UIEvent>& event) {
            auto input = std::dynamic_pointer_cast<UIView>(sender);
            actions.push_back({input, event != nullptr, input && input->isFirstResponder()});
        });
    }
    void TearDown() override {
        UIKitTest::TearDown();
        KeyboardHelper::resetSharedForTesting();
    }

    std::shared_ptr<UITextField> field(CGRect frame, const std::shared_ptr<UIView>& in = nullptr) {
        auto made = UIView::make<UITextField>(frame);
        (in ? in : form)->addSubview(made);
        return made;
    }
    bool tapAttached() const {
        const auto& attached = window()->gestureRecognizers();
        return std::find(attached.begin(), attached.end(), helper->dismissOnTapGestureForTesting()) != attached.end();
    }
    static std::shared_ptr<KHToolbar> toolbarOf(const std::shared_ptr<UIView>& input) {
        return std::dynamic_pointer_cast<KHToolbar>(input->inputAccessoryView());
    }
    // The item descriptions of a toolbar, left to right.
    static std::vector<std::string> items(const KHToolbar& toolbar) {
        std::vector<std::string> out;
        for (const auto& item : toolbar.items()) {
            if (item->systemItem() == UIBarButtonItem::SystemItem::flexibleSpace) out.push_back("flexible");
            else if (item->systemItem() == UIBarButtonItem::SystemItem::fixedSpace) out.push_back("fixed " + std::to_string(int(item->width())));
            else if (item->image()) out.push_back(item->image()->name().value_or("?"));
            else out.push_back(item->title().value_or("?"));
        }
        return out;
    }
    std::shared_ptr<UIBarButtonItem> button(const std::shared_ptr<UIView>& input, const std::string& name) {
        auto toolbar = toolbarOf(input);
        if (!toolbar) return nullptr;
        for (const auto& item : toolbar->items())
            if ((item->image() && item->image()->name() == name) || item->title() == name) return item;
        return nullptr;
    }

    struct Sent {
        std::shared_ptr<UIView> sender;
        bool withEvent;
        bool senderHadFocus;
    };
    std::shared_ptr<KeyboardHelper> helper;
    std::shared_ptr<UIView> form;
    std::shared_ptr<UIResponder> target = std::make_shared<UIResponder>();
    std::vector<Sent> actions;
};

// ----- The switch, and what begins at the first use

TEST_F(KeyboardHelperTest, BeginningIsIgnoredWhileOffButTheEndIsAlwaysHandled) {
    auto lone = field({20, 100, 335, 30});
    helper->enable = false;
    UIEventGenerator::beginEditing(lone);
    EXPECT_EQ(lone->inputAccessoryView(), nullptr);
    EXPECT_FALSE(tapAttached());
    EXPECT_EQ(helper->textTypeViewForTesting(), nullptr);
    UIEventGenerator::endEditing(lone);

    helper->enable = true;
    UIEventGenerator::beginEditing(lone);
    EXPECT_EQ(helper->textTypeViewForTesting(), lone);
    EXPECT_TRUE(tapAttached());
    helper->enable = false;
    UIEventGenerator::endEditing(lone);
    EXPECT_FALSE(tapAttached());
    EXPECT_EQ(helper->textTypeViewForTesting(), nullptr);
}

TEST_F(KeyboardHelperTest, NothingIsObservedUntilTheHelperIsFirstUsed) {
    helper.reset();
    KeyboardHelper::resetSharedForTesting();
    auto lone = field({20, 100, 335, 30});
    UIEventGenerator::beginEditing(lone);
    UIEventGenerator::endEditing(lone);
    EXPECT_EQ(lone->inputAccessoryView(), nullptr);

    KeyboardHelper::shared()->enable = true;  // made now, and observing from now on
    UIEventGenerator::beginEditing(lone);
    EXPECT_NE(toolbarOf(lone), nullptr);
}

// ----- Toolbars

TEST_F(KeyboardHelperTest, ALoneInputGetsDoneAloneAndTheKeyboardRisesWithIt) {
    std::vector<CGFloat> keyboardHeights;
    auto token = NotificationCenter::defaultCenter().addObserver(
        UIKeyboardWillShowNotification, nullptr, [&](const Notification& note) {
            keyboardHeights.push_back(UIKeyboard::endFrame(note.userInfo).value_or(CGRect{}).size.height);
        });
    auto lone = field({20, 100, 335, 30});
    UIEventGenerator::beginEditing(lone);
    auto toolbar = toolbarOf(lone);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(items(*toolbar), (std::vector<std::string>{"flexible", "Done"}));
    EXPECT_EQ(toolbar->items().back()->target(), helper.get());
    EXPECT_EQ(toolbar->frame().size.height, 44);
    EXPECT_EQ(toolbar->sizeThatFits({320, 500}), (CGSize{320, 44}));
    EXPECT_EQ(toolbar->tintColor(), (UIColor{0.0, 0.858, 0.776, 1.0}));
    EXPECT_TRUE(toolbar->isTranslucent());
    EXPECT_EQ(toolbar->autoresizingMask(), UIViewAutoresizingFlexibleWidth);
    EXPECT_EQ(toolbar->barStyle(), UIBarStyle::defaultStyle);
    EXPECT_EQ(keyboardHeights, std::vector<CGFloat>{UIKeyboard::standardHeight + 44});

    // An input with an accessory view of its own keeps it.
    auto own = UIView::make(CGRect{0, 0, 375, 60});
    auto box = UIView::make(CGRect{0, 300, 375, 200});
    form->addSubview(box);
    auto other = UIView::make<UITextView>(CGRect{20, 10, 335, 90});
    box->addSubview(other);  // alone in its superview
    other->setInputAccessoryView(own);
    UIEventGenerator::beginEditing(other);
    EXPECT_EQ(other->inputAccessoryView(), own);
}

TEST_F(KeyboardHelperTest, SiblingsGetArrowsAndFollowSubviewOrderNotPosition) {
    auto lower = field({20, 300, 335, 30});
    auto upper = field({20, 100, 335, 30});
    upper->setInputAccessoryView(UIView::make(CGRect{0, 0, 375, 60}));  // replaced: there are neighbours
    EXPECT_EQ(responderSiblings(*upper), (std::vector<std::shared_ptr<UIView>>{lower, upper}));

    UIEventGenerator::beginEditing(lower);
    auto toolbar = toolbarOf(lower);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(items(*toolbar),
              (std::vector<std::string>{"leftArrow", "fixed 20", "rightArrow", "flexible", "flexible", "Done"}));
    EXPECT_TRUE(UIEventGenerator::tap(button(lower, "rightArrow")));
    EXPECT_TRUE(upper->isFirstResponder());
    EXPECT_EQ(helper->textTypeViewForTesting(), upper);
    EXPECT_NE(toolbarOf(upper), nullptr);
}

TEST_F(KeyboardHelperTest, OnlyUsableInputsAreCandidates) {
    auto usable = field({20, 0, 100, 30});
    auto hidden = field({20, 40, 100, 30});
    hidden->setHidden(true);
    auto disabled = field({20, 80, 100, 30});
    disabled->setEnabled(false);
    auto transparent = field({20, 120, 100, 30});
    transparent->setAlpha(0);
    auto untouchable = field({20, 160, 100, 30});
    untouchable->setUserInteractionEnabled(false);
    auto readOnly = UIView::make<UITextView>(CGRect{20, 200, 100, 60});
    readOnly->setEditable(false);  // still selectable, so it could take the focus
    form->addSubview(readOnly);
    auto editable = UIView::make<UITextView>(CGRect{20, 280, 100, 60});
    form->addSubview(editable);
    form->addSubview(UIView::make<UIButton>(CGRect{20, 360, 100, 30}));

    EXPECT_EQ(responderSiblings(*usable), (std::vector<std::shared_ptr<UIView>>{usable, editable}));
    EXPECT_EQ(deepResponderViews(*window()), (std::vector<std::shared_ptr<UIView>>{usable, editable}));
    EXPECT_TRUE(responderSiblings(*UIView::make<UITextField>()).empty());
}

TEST_F(KeyboardHelperTest, FieldsInTableCellsAreOrderedByPositionInTheTable) {
    auto rows = std::make_shared<FormRows>();
    // Row 0 holds two fields at one height, the right one added first; row 1 holds one.
    rows->rows = {{{200, 7, 150, 30}, {20, 7, 150, 30}}, {{20, 7, 335, 30}}};
    auto table = UIView::make<UITableView>(CGRect{0, 64, 375, 400});
    table->setDataSource(rows);
    form->addSubview(table);
    table->reloadData();
    table->layoutIfNeeded();
    ASSERT_EQ(rows->fields.size(), 2u);
    const auto right = rows->fields[0][0], left = rows->fields[0][1], below = rows->fields[1][0];
    // The first row's cell goes last among the table's subviews.
    table->bringSubviewToFront(std::static_pointer_cast<UIView>(table->cellForRow({0, 0})));

    EXPECT_EQ(superviewOfClassType<UITableView>(*below), table);
    EXPECT_EQ(deepResponderViews(*table), (std::vector<std::shared_ptr<UIView>>{left, right, below}));

    UIEventGenerator::beginEditing(left);
    ASSERT_TRUE(UIEventGenerator::tap(button(left, "rightArrow")));
    ASSERT_TRUE(UIEventGenerator::tap(button(right, "rightArrow")));  // into the next cell
    EXPECT_TRUE(below->isFirstResponder());
    ASSERT_TRUE(UIEventGenerator::tap(button(below, "leftArrow")));
    EXPECT_TRUE(right->isFirstResponder());
}

TEST_F(KeyboardHelperTest, TheSearchForAContainerStepsOverThePlatformsPrivateScrollViews) {
    auto table = UIView::make<UITableView>(CGRect{0, 0, 375, 400});
    auto wrapper = UIView::make<UITableViewWrapperView>(CGRect{0, 0, 375, 400});
    auto scroller = UIView::make<UIScrollView>(CGRect{0, 0, 375, 400});
    auto input = UIView::make<UITextField>(CGRect{0, 0, 100, 30});
    table->addSubview(wrapper);
    wrapper->addSubview(input);
    EXPECT_EQ(superviewOfClassType<UIScrollView>(*input), table);
    scroller->addSubview(table);
    EXPECT_EQ(superviewOfClassType<UITableView>(*table), nullptr);  // ancestors only
    EXPECT_EQ(superviewOfClassType<UIScrollView>(*table), scroller);
}

// ----- Previous, next and done

struct MoveCase {
    const char* name;
    std::size_t from;
    const char* arrow;
    bool refuse;  // the input moved to refuses the focus
    std::size_t focusAfter;
    bool actionSent;
};

class KeyboardHelperMoveTest : public KeyboardHelperTest, public testing::WithParamInterface<MoveCase> {};

TEST_P(KeyboardHelperMoveTest, TheFocusMovesWithinTheListAndOnlyAMoveSendsTheStoredAction) {
    const auto& move = GetParam();
    auto stubborn = std::make_shared<Stubborn>();
    std::vector<std::shared_ptr<UITextField>> fields{field({20, 100, 335, 30}), field({20, 140, 335, 30}),
                                                     field({20, 180, 335, 30})};
    for (const auto& input : fields) {
        setPreviousTarget(*input, target, "formAction:");
        setNextTarget(*input, target, "formAction:");
        input->setDelegate(stubborn);
    }
    UIEventGenerator::beginEditing(fields[move.from]);
    stubborn->refuseFocus = move.refuse;
    ASSERT_TRUE(UIEventGenerator::tap(button(fields[move.from], move.arrow)));

    EXPECT_EQ(UIDeviceTestApi::inputClickCount(), 1);
    EXPECT_TRUE(fields[move.focusAfter]->isFirstResponder());
    if (move.actionSent) {
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0].sender, fields[move.from]);
        EXPECT_TRUE(actions[0].withEvent);
        EXPECT_FALSE(actions[0].senderHadFocus);  // sent after the move
    } else {
        EXPECT_TRUE(actions.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, KeyboardHelperMoveTest,
    testing::Values(MoveCase{"NextFromTheMiddle", 1, "rightArrow", false, 2, true},
                    MoveCase{"PreviousFromTheMiddle", 1, "leftArrow", false, 0, true},
                    MoveCase{"PreviousOnTheFirst", 0, "leftArrow", false, 0, false},
                    MoveCase{"NextOnTheLast", 2, "rightArrow", false, 2, false},
                    MoveCase{"NextRefused", 0, "rightArrow", true, 0, false}),
    [](const testing::TestParamInfo<MoveCase>& move) { return std::string(move.param.name); });

TEST_F(KeyboardHelperTest, AnInputOutsideItsOwnListMovesNowhereAndMakesNoClick) {
    auto first = field({20, 100, 335, 30});
    field({20, 140, 335, 30});
    UIEventGenerator::beginEditing(first);
    auto next = button(first, "rightArrow");
    first->setAlpha(0);  // no longer a candidate while it is edited
    UIEventGenerator::tap(next);
    EXPECT_TRUE(first->isFirstResponder());
    EXPECT_EQ(UIDeviceTestApi::inputClickCount(), 0);
}

TEST_F(KeyboardHelperTest, DoneSendsTheStoredActionOnceAfterTheInputResigned) {
    auto stubborn = std::make_shared<Stubborn>();
    auto lone = field({20, 100, 335, 30});
    lone->setDelegate(stubborn);
    setDoneTarget(*lone, target, "formAction:");
    setNextTarget(*lone, nullptr, "formAction:");  // other slots are separate
    UIEventGenerator::beginEditing(lone);

    stubborn->keepFocus = true;
    ASSERT_TRUE(UIEventGenerator::tap(button(lone, "Done")));
    EXPECT_TRUE(lone->isFirstResponder());
    EXPECT_EQ(helper->textTypeViewForTesting(), lone);
    EXPECT_TRUE(actions.empty());

    stubborn->keepFocus = false;
    ASSERT_TRUE(UIEventGenerator::tap(button(lone, "Done")));
    EXPECT_FALSE(lone->isFirstResponder());
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].sender, lone);
    EXPECT_FALSE(actions[0].senderHadFocus);
    EXPECT_EQ(UIDeviceTestApi::inputClickCount(), 2);
    EXPECT_EQ(doneInvocation(*lone).target, target);
    EXPECT_FALSE(nextInvocation(*lone).isComplete());
    EXPECT_FALSE(previousInvocation(*lone).target || previousInvocation(*lone).action);
}

TEST_F(KeyboardHelperTest, ResigningWithoutAnInputOrAgainstARefusalAnswersFalse) {
    EXPECT_FALSE(helper->resignFirstResponder());
    auto stubborn = std::make_shared<Stubborn>();
    auto lone = field({20, 100, 335, 30});
    lone->setDelegate(stubborn);
    UIEventGenerator::beginEditing(lone);
    stubborn->keepFocus = true;
    EXPECT_FALSE(helper->resignFirstResponder());
    EXPECT_TRUE(lone->isFirstResponder());
    stubborn->keepFocus = false;
    EXPECT_TRUE(helper->resignFirstResponder());
    EXPECT_FALSE(lone->isFirstResponder());
}

// ----- Tap to dismiss

TEST_F(KeyboardHelperTest, ATapOnAControlOrABarKeepsEditingAndOneElsewhereEndsIt) {
    auto input = field({20, 100, 335, 30});
    int pressed = 0;
    auto control = UIView::make<UIButton>(CGRect{20, 200, 100, 44});
    control->addAction([&](const std::shared_ptr<UIControl>&) { ++pressed; }, UIControlEventTouchUpInside);
    form->addSubview(control);
    auto bar = UIView::make<UINavigationBar>(CGRect{0, 20, 375, 44});
    form->addSubview(bar);
    auto empty = UIView::make<TouchLog>(CGRect{0, 400, 375, 200});
    form->addSubview(empty);

    UIEventGenerator::beginEditing(input);
    ASSERT_TRUE(UIEventGenerator::tap(control));
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(input->isFirstResponder());
    UIEventGenerator::tapAt(window(), {300, 40});
    EXPECT_TRUE(input->isFirstResponder());

    ASSERT_TRUE(UIEventGenerator::tap(empty));
    EXPECT_FALSE(input->isFirstResponder());
    EXPECT_EQ(empty->touches, std::vector<std::string>{"ended"});  // not cancelled
    EXPECT_FALSE(tapAttached());
}

TEST_F(KeyboardHelperTest, AnInputTakenOffTheGlassWhileEditedTakesTheTapWithIt) {
    auto box = UIView::make(CGRect{0, 0, 375, 300});
    form->addSubview(box);
    auto input = field({20, 100, 335, 30}, box);
    UIEventGenerator::beginEditing(input);
    ASSERT_TRUE(tapAttached());
    box->removeFromSuperview();
    EXPECT_FALSE(tapAttached());
    EXPECT_EQ(helper->textTypeViewForTesting(), nullptr);
}

}  // namespace
