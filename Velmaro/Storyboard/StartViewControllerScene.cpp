#include "Velmaro/Storyboard/StartViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"

namespace velmaro {

void StartViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<StartViewController>(storyboardName, &build);
}

std::shared_ptr<UIView> StartViewControllerScene::build(SceneKey key, StartViewController& screen) {
    auto self = std::static_pointer_cast<StartViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();
    auto close = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Close"), UIBarButtonItem::Style::plain);
    close->setTarget(self, &StartViewController::backToHost);
    screen.navigationItem().setLeftBarButtonItem(close);

    // Under the header, the links the sheet never rises over: the list and the profile.
    SceneKit::addHeader(key, root, screen);
    auto settings = SceneKit::button({287, 56, 72, 36}, "Settings");
    SceneKit::pushOnTap(settings, screen, "UserDetailsViewController");
    root->addSubview(settings);
    SceneKit::underBars(screen, settings);
    screen.settingsButton.connect(key, settings);

    // The greeting: a picture on the brand colour with a line of text on it, in white.
    auto greeting = UIView::make(CGRect{37, 100, 301, 120});
    auto smiley = UIView::make<UIImageView>(CGRect{120, 0, 60, 60});
    smiley->layer()->setCornerRadius(30);
    auto smile = UIView::make<UIImageView>(CGRect{135, 15, 30, 30});
    smile->layer()->setCornerRadius(15);
    auto smileyLabel = SceneKit::label({0, 76, 301, 32}, "Hi! How can we help you?");
    smileyLabel->setTextColor(UIColor::white());
    smileyLabel->layer()->setCornerRadius(16);
    smileyLabel->layer()->setMasksToBounds(true);
    greeting->addSubview(smiley);
    greeting->addSubview(smile);
    greeting->addSubview(smileyLabel);
    root->addSubview(greeting);
    SceneKit::underBars(screen, greeting);
    screen.vWSmileyContainer.connect(key, greeting);
    screen.smiley.connect(key, smiley);
    screen.vwSmile.connect(key, smile);
    screen.smileyLabel.connect(key, smileyLabel);

    // A ring around the title: the button has no background of its own until the panel is up.
    auto report = SceneKit::button({107, 228, 160, 160}, "Contact agent");
    report->layer()->setCornerRadius(80);
    report->layer()->setBorderWidth(2);
    report->layer()->setBorderColor(SceneKit::linkColor());
    SceneKit::pushOnTap(report, screen, "AddConversationViewController");
    root->addSubview(report);
    SceneKit::underBars(screen, report);
    screen.btnReportIssue.connect(key, report);

    auto list = SceneKit::button({16, 56, 180, 36}, "My conversations");
    SceneKit::pushOnTap(list, screen, "ConversationListViewController");
    root->addSubview(list);
    SceneKit::underBars(screen, list);

    // Behind the expanded panel: a tap anywhere above it collapses it. Clear: it catches taps,
    // it does not veil the screen.
    auto dismiss = UIView::make<UIButton>(SceneKit::screenBounds);
    dismiss->allowLayoutProblems(UIView::coversControl, "catches every tap above the expanded panel to collapse it");
    dismiss->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    dismiss->setHidden(true);
    dismiss->addTarget(self, &StartViewController::toggleNotificationsVisibility, UIControlEventTouchUpInside);
    root->addSubview(dismiss);
    screen.dismissButton.connect(key, dismiss);

    // The notifications sheet: collapsed near the bottom, its table below the toggle row.
    auto panel = UIView::make(CGRect{0, 493, 375, 400});
    panel->setBackgroundColor(UIColor::white());
    panel->allowLayoutProblems(UIView::outsideWindow, "a sheet whose rows wait below the window until it slides up");
    auto toggle = SceneKit::button({16, 0, 240, 40}, "Show notifications", UIColor::white());
    toggle->addTarget(self, &StartViewController::toggleNotificationsVisibility, UIControlEventTouchUpInside);
    auto direction = UIView::make<UIButton>(CGRect{262, 0, 40, 40});
    direction->setImage(SceneKit::image("upArrow"), UIControlStateNormal);
    direction->addTarget(self, &StartViewController::toggleNotificationsVisibility, UIControlEventTouchUpInside);
    auto count = SceneKit::button({315, 5, 30, 30}, "0", UIColor::black());
    count->layer()->setCornerRadius(15);
    count->setBackgroundColor(VelmaroColors::VelmaroGreen());
    count->setUserInteractionEnabled(false);
    auto table = UIView::make<UITableView>(CGRect{0, 0, 375, 360});
    table->setRowHeight(StartViewController::rowHeight);
    if (auto storyboard = screen.storyboard()) table->registerPrototypes(*storyboard);
    table->setDataSource(self);
    table->setDelegate(self);
    panel->addSubview(table);
    panel->addSubview(toggle);
    panel->addSubview(direction);
    panel->addSubview(count);
    root->addSubview(panel);
    screen.vwUnreadNotifications.connect(key, panel);
    screen.btnToggleNotificationsTable.connect(key, toggle);
    screen.btnToggleDirection.connect(key, direction);
    screen.btnNotificationCount.connect(key, count);
    screen.tableView.connect(key, table);
    auto panelTop =
        NSLayoutConstraint::make(panel, NSLayoutConstraint::Attribute::top, SceneKit::screenBounds.height() - 174);
    screen.notificationsViewTopConstraint.connect(key, panelTop);
    screen.tableViewTopConstraint.connect(key, NSLayoutConstraint::make(table, NSLayoutConstraint::Attribute::top, 0));
    return root;
}

}  // namespace velmaro
