#include "Velmaro/Storyboard/StartViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIStoryboard.h"
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
#include "Velmaro/Storyboard/SceneKit.h"

namespace velmaro {

void StartViewControllerScene::registerIn(const std::string& storyboardName) {
    UIStoryboard::registerScene(storyboardName, StartViewController::storyboardIdentifier,
                                [](const UIStoryboard&) { return std::make_shared<StartViewController>(); });
}

void StartViewControllerScene::loadView(StartViewController& screen) {
    auto root = SceneKit::rootView();
    auto header = SceneKit::addHeader(root);
    screen.titleAvatar = header.avatar;
    screen.titleLabel = header.title;

    auto settings = SceneKit::button({315, 64, 44, 44}, "Settings");
    root->addSubview(settings);
    screen.settingsButton = settings;

    // The greeting: a picture on the brand colour with a line of text.
    auto greeting = UIView::make(CGRect{37, 110, 301, 120});
    auto smiley = UIView::make<UIImageView>(CGRect{120, 0, 60, 60});
    smiley->layer()->setCornerRadius(30);
    auto smile = UIView::make<UIImageView>(CGRect{135, 15, 30, 30});
    smile->layer()->setCornerRadius(15);
    auto smileyLabel = SceneKit::label({0, 76, 301, 32}, "Hi! How can we help you?");
    greeting->addSubview(smiley);
    greeting->addSubview(smile);
    greeting->addSubview(smileyLabel);
    root->addSubview(greeting);
    screen.vWSmileyContainer = greeting;
    screen.smiley = smiley;
    screen.vwSmile = smile;
    screen.smileyLabel = smileyLabel;

    auto report = SceneKit::button({107, 260, 160, 160}, "Contact agent");
    report->layer()->setCornerRadius(80);
    root->addSubview(report);
    screen.btnReportIssue = report;

    // The notifications sheet: collapsed near the bottom, its table below the toggle row.
    auto panel = UIView::make(CGRect{0, 493, 375, 400});
    auto toggle = SceneKit::button({16, 0, 240, 40}, "Show notifications");
    auto direction = UIView::make<UIButton>(CGRect{262, 0, 40, 40});
    direction->setImage(SceneKit::image("upArrow"), UIControlStateNormal);
    auto count = SceneKit::button({315, 5, 30, 30}, "0");
    count->layer()->setCornerRadius(15);
    auto dismiss = SceneKit::button({16, 360, 343, 40}, "Dismiss");
    dismiss->setHidden(true);
    auto table = UIView::make<UITableView>(CGRect{0, 0, 375, 360});
    table->setRowHeight(60);
    panel->addSubview(table);
    panel->addSubview(toggle);
    panel->addSubview(direction);
    panel->addSubview(count);
    panel->addSubview(dismiss);
    root->addSubview(panel);
    screen.vwUnreadNotifications = panel;
    screen.btnToggleNotificationsTable = toggle;
    screen.btnToggleDirection = direction;
    screen.btnNotificationCount = count;
    screen.dismissButton = dismiss;
    screen.tableView = table;
    screen.notificationsViewTopConstraint =
        NSLayoutConstraint::make(panel, NSLayoutConstraint::Attribute::top, SceneKit::screenBounds.height() - 174);
    screen.tableViewTopConstraint = NSLayoutConstraint::make(table, NSLayoutConstraint::Attribute::top, 0);

    screen.setView(root);
}

}  // namespace velmaro
