#include <algorithm>

#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "Velmaro/Controllers/Conversation/ChatViewController.h"
#include "Velmaro/CoreInterface/ConversationService.h"
#include "Velmaro/Helpers/MainQueueBridge.h"
#include "Velmaro/Helpers/UIExtensions.h"
#include "Velmaro/Helpers/VelmaroBundle.h"

namespace velmaro {

namespace {

// Each tap repaints every star on the main queue, empty first, then the filled ones.
void paintStar(const std::shared_ptr<UIButton>& button, const char* imageName) {
    deferToNextTurn([button, imageName] {
        UIView::animate(0.2, [button, imageName] {
            button->setImage(UIImage::named(imageName, velmaroBundle()), UIControlStateNormal);
        });
    });
}

}  // namespace

void ChatViewController::scoresLoaded(std::optional<std::vector<SatisfactionScoreModel>> scores,
                                      std::optional<ServiceError> error) {
    if (!scores) {
        if (error) showAlert(sharedChat(), "Error", error->customDescription);
        return;
    }
    satisfactionScores = std::move(*scores);
    setupRatingButtons();
}

void ChatViewController::setupRatingButtons() {
    ratingButtons.clear();
    for (const auto* outlet : {&btnRatingZero, &btnRatingOne, &btnRatingTwo, &btnratingThree, &btnRatingFour})
        if (auto button = outlet->get()) ratingButtons.push_back(button);
}

void ChatViewController::animateViewIn(const std::shared_ptr<UIView>& rtView) {
    if (!rtView) return;
    ++ratingGeneration_;  // a fade-out still running must not take this panel away
    view()->addSubview(rtView);
    if (tableView) rtView->setCenter(tableView->center());
    rtView->setTransform(CGAffineTransform::makeScale(1.3, 1.3));
    rtView->setBackgroundColor(UIColor(1, 1, 1, 1));
    UIView::animate(0.4, [rtView] { rtView->setTransform(CGAffineTransform::identity()); });
}

void ChatViewController::animateViewOut(const std::shared_ptr<UIView>& rtView) {
    if (!rtView) return;
    const unsigned generation = ratingGeneration_;
    auto self = sharedChat();
    UIView::animate(
        0.3,
        [rtView] {
            rtView->setTransform(CGAffineTransform::makeScale(1.3, 1.3));
            rtView->setBackgroundColor(UIColor(1, 1, 1, 0));
        },
        [self, rtView, generation](bool) {
            if (generation == self->ratingGeneration_) rtView->removeFromSuperview();
        });
}

void ChatViewController::animateStarRatingView(const std::shared_ptr<UIButton>& tapped) {
    if (detailsShown) dismissDetailsView();
    if (lblRatingViewTitle) lblRatingViewTitle->setText("Thank you for rating");
    for (const auto& button : ratingButtons) paintStar(button, "christmasStar");
    filledButtons.clear();
    auto position = std::find(ratingButtons.begin(), ratingButtons.end(), tapped);
    filledButtons.assign(ratingButtons.begin(), position);
    if (position != ratingButtons.end()) {
        chatRated = true;
        const auto index = static_cast<std::size_t>(position - ratingButtons.begin());
        // A star without a loaded score sends nothing; it still repaints.
        if (index < satisfactionScores.size()) sendScore(satisfactionScores[index].id);
    }
    filledButtons.push_back(tapped);
    for (const auto& button : filledButtons) paintStar(button, "christmasStarFilled");
}

void ChatViewController::dismissRatingView(const std::shared_ptr<UIButton>&) { animateViewOut(starRatingView); }

void ChatViewController::sendScore(const std::string& scoreId) {
    if (!conversation) return;
    ConversationService::shared().sendConversationScore(
        conversation->id, scoreId,
        mainQueueCompletion(sharedChat(), [](ChatViewController& self, const auto&, const auto&) { self.scoreSent(); }));
}

void ChatViewController::scoreSent() {
    // Only the chat on top leaves: a second score, or an answer after the user went back, must
    // not pop the screen under it.
    auto navigation = navigationController();
    if (navigation && navigation->topViewController().get() == this) navigation->popViewController(true);
}

}  // namespace velmaro
