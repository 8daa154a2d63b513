#include "UIKit/UIWindow.h"

#include "UIKit/UIEvent.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UITouch.h"

UIWindow::UIWindow() : UIWindow(CGRect{}) {}

UIWindow::UIWindow(CGRect frame) : UIView(frame) { isWindow_ = true; }

UIWindow::~UIWindow() = default;

namespace {

bool mayRecognizeTogether(UIGestureRecognizer& a, UIGestureRecognizer& b) {
    auto da = a.delegate();
    if (da && da->gestureRecognizerShouldRecognizeSimultaneously(a, b)) return true;
    auto db = b.delegate();
    return db && db->gestureRecognizerShouldRecognizeSimultaneously(b, a);
}

}  // namespace

void UIWindow::sendTap(CGPoint point) {
    checkMainThread("sendTap");
    auto self = std::static_pointer_cast<UIWindow>(sharedView());
    auto event = std::make_shared<UIEvent>();
    auto hit = hitTest(point, event);
    if (!hit) return;
    auto touch = std::make_shared<UITouch>(self, hit, point);

    // Recognizers of the touched view first, then of each ancestor up to this window.
    std::vector<std::shared_ptr<UIGestureRecognizer>> watching;
    for (auto view = hit; view; view = view->superview()) {
        for (const auto& recognizer : std::vector(view->gestureRecognizers())) {
            if (!recognizer->isEnabled()) continue;
            auto delegate = recognizer->delegate();
            if (delegate && !delegate->gestureRecognizerShouldReceiveTouch(*recognizer, *touch)) continue;
            recognizer->lastTouch_ = touch;
            watching.push_back(recognizer);
        }
    }

    UITouchSet touches{touch};
    hit->touchesBegan(touches, event);
    touch->setPhase(UITouch::Phase::ended);

    std::vector<std::shared_ptr<UIGestureRecognizer>> recognized;
    for (const auto& recognizer : watching) {
        bool begins = recognizer->recognizesSingleTap();
        if (begins && recognizer->view() != hit) begins = hit->gestureRecognizerShouldBegin(*recognizer);
        if (begins) {
            auto delegate = recognizer->delegate();
            begins = !delegate || delegate->gestureRecognizerShouldBegin(*recognizer);
        }
        for (const auto& other : recognized) {
            if (!begins) break;
            begins = mayRecognizeTogether(*recognizer, *other);
        }
        if (begins) {
            recognized.push_back(recognizer);
        } else {
            recognizer->setState(UIGestureRecognizer::State::failed);
        }
    }

    bool cancelled = false;
    for (const auto& recognizer : recognized) {
        recognizer->setState(UIGestureRecognizer::recognized);
        recognizer->sendActions();
        cancelled = cancelled || recognizer->cancelsTouchesInView();
    }
    if (cancelled) {
        touch->setPhase(UITouch::Phase::cancelled);
        hit->touchesCancelled(touches, event);
    } else {
        hit->touchesEnded(touches, event);
    }
    for (const auto& recognizer : watching) recognizer->setState(UIGestureRecognizer::State::possible);
}
