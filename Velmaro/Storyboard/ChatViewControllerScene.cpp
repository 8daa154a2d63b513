#include "Velmaro/Storyboard/ChatViewControllerScene.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIBarButtonItem.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Storyboard/SceneKit.h"
#include "Velmaro/Storyboard/SceneRegistrar.h"
#include "Velmaro/View/ChatAgentTableViewCell.h"
#include "Velmaro/View/ChatClientTableViewCell.h"
#include "Velmaro/View/ChatEventTableViewCell.h"

namespace velmaro {

namespace {

constexpr CGRect messageCellFrame{0, 0, 375, 50};

std::shared_ptr<UILabel> messageLabel(CGRect frame, NSTextAlignment alignment) {
    auto label = UIView::make<UILabel>(frame);
    label->setNumberOfLines(0);  // long messages wrap and the row grows
    label->setTextAlignment(alignment);
    return label;
}

std::shared_ptr<UILabel> smallLabel(CGRect frame, NSTextAlignment alignment) {
    auto label = UIView::make<UILabel>(frame);
    label->setFont(UIFont::systemFont(11));
    label->setTextAlignment(alignment);
    label->setTextColor(SceneKit::secondaryTextColor());
    return label;
}

// A label of the details panel: a caption and the label that shows the value.
std::shared_ptr<UILabel> detailsLine(UIView& panel, CGFloat y, const std::string& caption) {
    auto shown = SceneKit::label({16, y, 100, 30}, caption);
    shown->setTextAlignment(NSTextAlignment::left);
    panel.addSubview(shown);
    auto value = UIView::make<UILabel>(CGRect{124, y, 235, 30});
    panel.addSubview(value);
    return value;
}

}  // namespace

void ChatViewControllerScene::registerIn(const std::string& storyboardName) {
    SceneRegistrar::add<ChatViewController>(storyboardName, &build);
    SceneRegistrar::addCell<ChatClientTableViewCell>(storyboardName, ChatClientTableViewCell::defaultReuseIdentifier,
                                                     &buildClientCell, messageCellFrame);
    SceneRegistrar::addCell<ChatAgentTableViewCell>(storyboardName, ChatAgentTableViewCell::defaultReuseIdentifier,
                                                    &buildAgentCell, messageCellFrame);
    SceneRegistrar::addCell<ChatAgentTableViewCell>(storyboardName, ChatAgentTableViewCell::announcerIdentifier,
                                                    &buildAnnouncerCell, messageCellFrame);
    SceneRegistrar::addCell<ChatEventTableViewCell>(storyboardName, ChatEventTableViewCell::defaultReuseIdentifier,
                                                    &buildEventCell, messageCellFrame);
    SceneRegistrar::addCell<ChatEventTableViewCell>(storyboardName, ChatEventTableViewCell::sectionTitleIdentifier,
                                                    &buildSectionTitleCell, messageCellFrame);
}

std::shared_ptr<UIView> ChatViewControllerScene::build(SceneKey key, ChatViewController& screen) {
    auto self = std::static_pointer_cast<ChatViewController>(screen.shared_from_this());
    auto root = SceneKit::rootView();
    root->allowLayoutProblems(UIView::outsideWindow, "the whole screen slides up by the keyboard's height");
    // The timeline, with the connection's strip over its top edge.
    auto table = UIView::make<UITableView>(CGRect{0, SceneKit::headerHeight, 375, 611 - SceneKit::headerHeight});
    table->setRowHeight(UITableView::automaticDimension);
    table->setEstimatedRowHeight(50);
    if (auto storyboard = screen.storyboard()) table->registerPrototypes(*storyboard);
    table->setDataSource(self);
    table->setDelegate(self);
    auto status = SceneKit::label({0, SceneKit::headerHeight, 375, ChatViewController::statusStripHeight}, "");
    // Dark text reads on all three strip colours (orange, green, red).
    status->setTextColor(UIColor::black());
    status->setAlpha(0);
    root->addSubview(table);
    root->addSubview(status);
    SceneKit::underBars(screen, table, UIViewController::GuidePin::stretches);
    SceneKit::underBars(screen, status);
    screen.tableView.connect(key, table);
    screen.lblChatStatus.connect(key, status);

    // The input bar: the field, and Send or Exit in the same place.
    auto input = UIView::make(CGRect{0, 611, 375, 56});
    input->setBackgroundColor(VelmaroColors::VelmaroLightGray());
    auto field = SceneKit::textField({12, 8, 283, 40}, "Type a message");
    field->setReturnKeyType(UIReturnKeyType::send);
    field->setDelegate(self);
    field->addTarget(self, &ChatViewController::textFieldValueChanged, UIControlEventEditingChanged);
    auto send = SceneKit::button({303, 8, 60, 40}, "Send");
    send->setHidden(true);
    send->addTarget(self, &ChatViewController::btnSendPressed, UIControlEventTouchUpInside);
    auto exit = SceneKit::button({303, 8, 60, 40}, "Exit");
    exit->addTarget(self, &ChatViewController::dismissChat, UIControlEventTouchUpInside);
    input->addSubview(field);
    input->addSubview(send);
    input->addSubview(exit);
    root->addSubview(input);
    SceneKit::onBottom(input);
    screen.vwInput.connect(key, input);
    screen.fldMessage.connect(key, field);
    screen.btnSend.connect(key, send);
    screen.btnExit.connect(key, exit);

    // The header row under the bars: who answers, then ending the chat and the details toggle.
    // Added after the timeline: the details panel goes in between (see the screen), so it hides
    // the timeline and the header's name while the two controls stay on top of it.
    SceneKit::addHeader(key, root, screen, 167);
    auto endChat = SceneKit::button({243, 10, 64, 36}, "End chat");
    endChat->addTarget(self, &ChatViewController::endChat, UIControlEventTouchUpInside);
    auto details = UIView::make<UIButton>(CGRect{315, 10, 44, 36});
    details->setImage(SceneKit::image("downArrow"), UIControlStateNormal);
    details->addTarget(self, &ChatViewController::showDetails, UIControlEventTouchUpInside);
    root->addSubview(endChat);
    root->addSubview(details);
    SceneKit::underBars(screen, endChat);
    SceneKit::underBars(screen, details);
    screen.btnEndChat.connect(key, endChat);
    screen.btnDetails.connect(key, details);
    auto back = std::make_shared<UIBarButtonItem>(std::optional<std::string>("Close"), UIBarButtonItem::Style::plain);
    back->setTarget(self, &ChatViewController::dismissChat);
    screen.navigationItem().setLeftBarButtonItem(back);

    // The rating panel: kept by the screen, put on the glass when the chat ends.
    auto rating = UIView::make(CGRect{0, 0, 300, 170});
    rating->setBackgroundColor(UIColor::white());
    rating->layer()->setCornerRadius(8);
    rating->layer()->setBorderWidth(1);
    rating->layer()->setBorderColor(VelmaroColors::VelmaroDarkGray());
    auto ratingTitle = SceneKit::label({0, 12, 300, 30}, "How did we do?");
    rating->addSubview(ratingTitle);
    screen.lblRatingViewTitle.connect(key, ratingTitle);
    Outlet<UIButton>* stars[] = {&screen.btnRatingZero, &screen.btnRatingOne, &screen.btnRatingTwo,
                                 &screen.btnratingThree, &screen.btnRatingFour};
    for (int i = 0; i < 5; ++i) {
        auto star = UIView::make<UIButton>(CGRect{20.0 + 54.0 * i, 56, 44, 44});
        star->setImage(SceneKit::image("christmasStar"), UIControlStateNormal);
        star->addTarget(self, &ChatViewController::animateStarRatingView, UIControlEventTouchUpInside);
        rating->addSubview(star);
        stars[i]->connect(key, star);
    }
    auto notNow = SceneKit::button({100, 116, 100, 40}, "Not now");
    notNow->addTarget(self, &ChatViewController::dismissRatingView, UIControlEventTouchUpInside);
    rating->addSubview(notNow);
    screen.btnDismissRating.connect(key, notNow);
    screen.starRatingView = rating;

    // The details panel: kept by the screen, which places it above the top edge.
    auto panel = UIView::make(CGRect{0, -ChatViewController::detailsHeight, 375, ChatViewController::detailsHeight});
    panel->setBackgroundColor(VelmaroColors::VelmaroLightGray());
    panel->allowLayoutProblems(UIView::outsideWindow, "parked above the window while closed, it drops in under the bar");
    // Beside the chat controls that stay over the panel's top row.
    auto title = SceneKit::label({16, 16, 219, 30}, "");
    title->setTextAlignment(NSTextAlignment::left);
    title->setFont(UIFont::boldSystemFont(17));
    panel->addSubview(title);
    screen.lblConversationTitle.connect(key, title);
    // The subject is the user's own words: up to three lines of it.
    auto subject = detailsLine(*panel, 56, "Subject");
    subject->setFont(UIFont::systemFont(15));
    subject->setNumberOfLines(3);
    subject->setFrame(CGRect{124, 56, 235, 60});
    screen.lblConversationSubject.connect(key, subject);
    screen.lblStatus.connect(key, detailsLine(*panel, 124, "Status"));
    screen.lblDate.connect(key, detailsLine(*panel, 164, "Opened"));
    auto agentCaption = SceneKit::label({16, 204, 100, 30}, "Agent");
    agentCaption->setTextAlignment(NSTextAlignment::left);
    panel->addSubview(agentCaption);
    auto agent = UIView::make<UILabel>(CGRect{124, 204, 235, 30});
    panel->addSubview(agent);
    screen.lblAgentDescriptor.connect(key, agentCaption);
    screen.lblAgent.connect(key, agent);
    screen.vwConversationDetails = panel;
    return root;
}

void ChatViewControllerScene::buildClientCell(SceneKey key, ChatClientTableViewCell& cell) {
    auto content = cell.contentView();
    // The user's own bubble, on the right in a colour of its own; it hugs the text (ChatBubble).
    auto bubble = UIView::make(CGRect{67, 4, 256, 33});
    bubble->setBackgroundColor(VelmaroColors::VelmaroGreen());
    bubble->layer()->setCornerRadius(12);
    auto message = messageLabel({75, 10, 240, 21}, NSTextAlignment::left);
    auto time = smallLabel({8, 8, 52, 14}, NSTextAlignment::left);
    // A system button: its mark is drawn in its tint, which turns to the primary colour once seen.
    auto seen = UIView::make<UIButton>(UIButton::ButtonType::system);
    seen->setFrame(CGRect{331, 8, 36, 20});
    seen->setTitle("\u2713", UIControlStateNormal);
    seen->setTintColor(SceneKit::secondaryTextColor());
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{bubble, message, time, seen})
        content->addSubview(view);
    content->setLayoutMargins(UIEdgeInsets{0, 0, 4, 0});
    cell.vwBubble.connect(key, bubble);
    cell.lblMessage.connect(key, message);
    cell.lblFuzzyTime.connect(key, time);
    cell.btnSeen.connect(key, seen);
}

namespace {

// What agent and announcer rows share: the bubble, its text and its time. The bubble hugs the
// text (ChatBubble); `left` is its left edge.
void buildAgentBubble(SceneKey key, ChatAgentTableViewCell& cell, CGFloat left) {
    auto content = cell.contentView();
    const CGFloat right = 307;
    auto back = UIView::make(CGRect{left, 4, right - left, 33});
    back->layer()->setCornerRadius(12);
    auto container = UIView::make(CGRect{left, 4, right - left, 33});
    auto message = messageLabel({left + 8, 10, right - left - 16, 21}, NSTextAlignment::left);
    auto time = smallLabel({311, 8, 56, 14}, NSTextAlignment::right);
    auto seen = UIView::make<UIImageView>(CGRect{353, 26, 14, 14});
    for (const auto& view : std::initializer_list<std::shared_ptr<UIView>>{back, container, message, time, seen})
        content->addSubview(view);
    content->setLayoutMargins(UIEdgeInsets{0, 0, 4, 0});
    cell.backView.connect(key, back);
    cell.vWMessageContainer.connect(key, container);
    cell.lblMessage.connect(key, message);
    cell.lblFuzzyTime.connect(key, time);
    cell.imgVwSeen.connect(key, seen);
}

}  // namespace

void ChatViewControllerScene::buildAgentCell(SceneKey key, ChatAgentTableViewCell& cell) {
    buildAgentBubble(key, cell, 56);
    auto avatar = UIView::make<UIButton>(CGRect{8, 4, 40, 40});
    avatar->layer()->setCornerRadius(20);
    avatar->layer()->setMasksToBounds(true);
    auto avatarImage = UIView::make<UIImageView>(CGRect{8, 4, 40, 40});
    avatarImage->setImage(SceneKit::image("AGENT"));
    avatarImage->setHidden(true);
    cell.contentView()->addSubview(avatar);
    cell.contentView()->addSubview(avatarImage);
    cell.btnAvatar.connect(key, avatar);
    cell.imgvAvatar.connect(key, avatarImage);
}

void ChatViewControllerScene::buildAnnouncerCell(SceneKey key, ChatAgentTableViewCell& cell) {
    buildAgentBubble(key, cell, 8);
}

void ChatViewControllerScene::buildEventCell(SceneKey key, ChatEventTableViewCell& cell) {
    auto description = messageLabel({16, 8, 343, 20}, NSTextAlignment::center);
    description->setTextColor(SceneKit::secondaryTextColor());
    cell.contentView()->addSubview(description);
    cell.lblEventDescription.connect(key, description);
}

void ChatViewControllerScene::buildSectionTitleCell(SceneKey key, ChatEventTableViewCell& cell) {
    auto title = smallLabel({16, 8, 343, 16}, NSTextAlignment::center);
    cell.contentView()->addSubview(title);
    cell.lblEventDescription.connect(key, title);
}

}  // namespace velmaro
