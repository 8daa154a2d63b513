#include "Velmaro/Storyboard/ConversationListViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "Velmaro/Controllers/Conversation/ConversationListViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"
#include "Velmaro/View/ConversationListTableViewCell.h"

namespace velmaro {

namespace {

constexpr CGRect conversationCellFrame{0, 0, 375, 60};

std::shared_ptr<UILabel> rowLabel(CGRect frame, CGFloat fontSize) {
    auto label = UIView::make<UILabel>(frame);
    label->setFont(UIFont::systemFont(fontSize));
    label->setTextAlignment(NSTextAlignment::left);
    return label;
}

}  // namespace

void ConversationListViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<ConversationListViewController>(storyboardName, &build);
    SceneRegistrar::addCell<ConversationListTableViewCell>(
        storyboardName, ConversationListTableViewCell::defaultReuseIdentifier, &buildCell, conversationCellFrame);
}

std::shared_ptr<UIView> ConversationListViewControllerScene::build(SceneKey key, ConversationListViewController& screen) {
    auto self = std::static_pointer_cast<ConversationListViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();
    SceneKit::addHeader(key, root, screen, 211);

    auto settings = SceneKit::button({287, 8, 72, 40}, "Settings");
    SceneKit::pushOnTap(settings, screen, "UserDetailsViewController");
    root->addSubview(settings);
    SceneKit::underBars(screen, settings);
    screen.settingsButton.connect(key, settings);

    auto segments = UIView::make<UISegmentedControl>(std::vector<std::string>{"Open", "Closed"});
    segments->setFrame(CGRect{16, SceneKit::headerHeight, 343, 32});
    segments->setSelectedSegmentIndex(0);
    segments->addTarget(self, &ConversationListViewController::conversationsChanged, UIControlEventValueChanged);
    root->addSubview(segments);
    SceneKit::underBars(screen, segments);
    screen.conversationTypeSegmentedControl.connect(key, segments);

    auto table = UIView::make<UITableView>(CGRect{0, SceneKit::headerHeight + 40, 375, 599 - SceneKit::headerHeight - 40});
    table->setRowHeight(conversationCellFrame.height());
    if (auto storyboard = screen.storyboard()) table->registerPrototypes(*storyboard);
    table->setDataSource(self);
    table->setDelegate(self);
    root->addSubview(table);
    SceneKit::underBars(screen, table, UIViewController::GuidePin::stretches);
    screen.tableView.connect(key, table);

    auto newConversation = SceneKit::button({16, 607, 343, 48}, "New conversation");
    newConversation->layer()->setCornerRadius(6);
    newConversation->setTitleColor(UIColor::white(), UIControlStateNormal);
    SceneKit::pushOnTap(newConversation, screen, "AddConversationViewController");
    root->addSubview(newConversation);
    SceneKit::onBottom(newConversation);
    screen.newConversationButton.connect(key, newConversation);
    return root;
}

void ConversationListViewControllerScene::buildCell(SceneKey key, ConversationListTableViewCell& cell) {
    auto content = cell.contentView();
    auto avatar = UIView::make<UIImageView>(CGRect{12, 8, 44, 44});
    avatar->layer()->setMasksToBounds(true);
    auto agentAndDate = rowLabel({68, 4, 250, 16}, 11);
    agentAndDate->setTextColor(SceneKit::secondaryTextColor());
    // Rows are 60 points high (the start screen's panel fixes it): a long description or message
    // shows its start and an ellipsis.
    auto name = rowLabel({68, 21, 250, 18}, 15);
    name->allowLayoutProblems(UIView::textDoesNotFit, "one line of a 60-point row; a longer description is cut");
    auto latest = rowLabel({68, 40, 247, 16}, 12);
    latest->allowLayoutProblems(UIView::textDoesNotFit, "one line of a 60-point row; its layout truncates the message");
    auto badge = SceneKit::button({323, 18, 36, 24}, "");
    badge->layer()->setCornerRadius(12);
    badge->setBackgroundColor(VelmaroColors::VelmaroGreen());
    badge->setTitleColor(UIColor::black(), UIControlStateNormal);  // reads on the green
    badge->setUserInteractionEnabled(false);
    badge->setHidden(true);
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{avatar, agentAndDate, name, latest, badge})
        content->addSubview(view);
    cell.imgVwAgent.connect(key, avatar);
    cell.lblAgentNameAndDate.connect(key, agentAndDate);
    cell.lblConversationName.connect(key, name);
    cell.lblConversationContent.connect(key, latest);
    cell.btnUnseenActivityCount.connect(key, badge);
}

}  // namespace velmaro
