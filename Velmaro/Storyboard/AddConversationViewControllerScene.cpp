#include "Velmaro/Storyboard/AddConversationViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UITextView.h"
#include "Velmaro/Controllers/Conversation/AddConversationViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"
#include "Velmaro/View/AddConversationIssueCell.h"

namespace velmaro {

namespace {

constexpr CGRect cellFrame{0, 0, 375, 152};

// The problem text with its hint over the top-left corner, in a bordered container.
void buildTextRow(SceneKey key, AddConversationIssueCell& cell, const std::string& hint) {
    auto container = UIView::make<PlaceholderTextView>(CGRect{16, 8, 343, 136});
    container->layer()->setBorderWidth(1);
    container->layer()->setBorderColor(VelmaroColors::VelmaroLightGray());
    container->layer()->setCornerRadius(6);
    auto text = UIView::make<UITextView>(CGRect{0, 0, 343, 136});
    text->setFont(UIFont::systemFont(15));
    // Where the text view sets its first line: its top inset and its line padding.
    auto label = UIView::make<UILabel>(CGRect{UITextView::lineFragmentPadding, 8, 343 - 2 * UITextView::lineFragmentPadding, 18});
    label->setText(hint);
    label->setFont(UIFont::systemFont(15));
    label->setTextColor(SceneKit::secondaryTextColor());
    label->setTextAlignment(NSTextAlignment::left);
    container->addSubview(text);
    container->addSubview(label);
    cell.contentView()->addSubview(container);
    container->textView.connect(key, text);
    container->labelPlaceholder.connect(key, label);
    cell.txtVwParentView.connect(key, container);
    cell.contentView()->setLayoutMargins(UIEdgeInsets{0, 0, 8, 0});
}

}  // namespace

void AddConversationViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<AddConversationViewController>(storyboardName, &build);
    SceneRegistrar::addCell<AddConversationIssueCell>(storyboardName, AddConversationIssueCell::defaultReuseIdentifier,
                                                      &buildIssueCell, cellFrame);
    SceneRegistrar::addCell<AddConversationIssueCell>(storyboardName, AddConversationViewController::otherCellIdentifier,
                                                      &buildOtherCell, cellFrame);
}

std::shared_ptr<UIView> AddConversationViewControllerScene::build(SceneKey key, AddConversationViewController& screen) {
    auto self = std::static_pointer_cast<AddConversationViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();
    SceneKit::addHeader(key, root, screen);

    auto question = SceneKit::label({16, SceneKit::headerHeight, 343, 30}, "What can we help you with?");
    root->addSubview(question);
    SceneKit::underBars(screen, question);
    auto table = UIView::make<UITableView>(CGRect{0, SceneKit::headerHeight + 38, 375, 583 - SceneKit::headerHeight - 38});
    table->setRowHeight(UITableView::automaticDimension);
    table->setEstimatedRowHeight(152);
    if (auto storyboard = screen.storyboard()) table->registerPrototypes(*storyboard);
    table->setDataSource(self);
    table->setDelegate(self);
    root->addSubview(table);
    SceneKit::underBars(screen, table, UIViewController::GuidePin::stretches);
    screen.tableView.connect(key, table);

    auto send = SceneKit::button({16, 591, 343, 48}, "Start conversation");
    send->setTitleColor(UIColor::white(), UIControlStateNormal);
    send->setBackgroundColor(VelmaroColors::VelmaroGreen());
    send->layer()->setCornerRadius(6);
    send->addTarget(self, &AddConversationViewController::btnSendMessagePressed, UIControlEventTouchUpInside);
    root->addSubview(send);
    SceneKit::onBottom(send);
    screen.startConversationButton.connect(key, send);
    return root;
}

void AddConversationViewControllerScene::buildIssueCell(SceneKey key, AddConversationIssueCell& cell) {
    buildTextRow(key, cell, "Describe your problem");
}

void AddConversationViewControllerScene::buildOtherCell(SceneKey key, AddConversationIssueCell& cell) {
    buildTextRow(key, cell, "Anything else?");
}

}  // namespace velmaro
