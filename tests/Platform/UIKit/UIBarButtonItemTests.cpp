#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIToolbar.h"
#include "UIKitTesting/UIDeviceTestApi.h"
#include "UIKitTesting/UIEventGenerator.h"
#include "support/Platform/UIKitTest.h"

namespace {
struct Helper {
    std::vector<std::string> log;
    void done(std::shared_ptr<UIBarButtonItem> item) { log.push_back(*item->title()); }
};
}  // namespace

class UIBarButtonItemTests : public UIKitTest {};

TEST_F(UIBarButtonItemTests, AppearanceReachesOnlyItemsCreatedAfterwards) {
    UIColor red(1, 0, 0, 1);
    auto before = std::make_shared<UIBarButtonItem>("Back", UIBarButtonItem::Style::plain);
    UIBarButtonItem::appearance().titleTextAttributes[UIControlStateNormal] = {{NSForegroundColorAttributeName, red}};
    auto after = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::done);
    EXPECT_TRUE(before->titleTextAttributes(UIControlStateNormal).empty());
    EXPECT_EQ(after->titleTextAttributes(UIControlStateNormal).at(NSForegroundColorAttributeName), red);
    EXPECT_EQ(after->titleTextAttributes(UIControlStateHighlighted).at(NSForegroundColorAttributeName), red);

    UIBarButtonItem::appearance().titleTextAttributes[UIControlStateNormal] = {{NSForegroundColorAttributeName, UIColor::white()}};
    EXPECT_EQ(after->titleTextAttributes(UIControlStateNormal).at(NSForegroundColorAttributeName), red);
}

TEST_F(UIBarButtonItemTests, TapSendsTheActionToALiveTargetUnlessDisabledOrASpace) {
    auto helper = std::make_shared<Helper>();
    auto done = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::done);
    EXPECT_EQ(done->title(), "Done");
    EXPECT_EQ(done->style(), UIBarButtonItem::Style::done);
    done->setTarget(helper, &Helper::done);
    UIEventGenerator::tap(done);
    done->setEnabled(false);
    UIEventGenerator::tap(done);
    EXPECT_EQ(helper->log, (std::vector<std::string>{"Done"}));

    auto space = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::fixedSpace);
    space->setWidth(20);
    EXPECT_TRUE(space->isSpace());
    EXPECT_FALSE(space->title());

    done->setEnabled(true);
    std::weak_ptr<Helper> weak = helper;
    helper.reset();
    EXPECT_TRUE(weak.expired());
    UIEventGenerator::tap(done);  // dead target: nothing
}

TEST_F(UIBarButtonItemTests, ToolbarHoldsItemsAndFitsTheStandardHeight) {
    auto toolbar = UIView::make<UIToolbar>(CGRect{0, 0, 320, 10});
    toolbar->sizeToFit();
    EXPECT_EQ(toolbar->frame().size, (CGSize{320, 44}));
    auto flexible = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::flexibleSpace);
    auto done = std::make_shared<UIBarButtonItem>(UIBarButtonItem::SystemItem::done);
    toolbar->setItems({flexible, done});
    EXPECT_EQ(toolbar->items().back(), done);

    UIDevice::current().playInputClick();
    EXPECT_EQ(UIDeviceTestApi::inputClickCount(), 1);
}
