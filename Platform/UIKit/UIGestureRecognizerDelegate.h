#pragma once

class UIGestureRecognizer;
class UITouch;

// What a recognizer asks its delegate; every answer has the platform's default.
class UIGestureRecognizerDelegate {
public:
    virtual ~UIGestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldBegin(UIGestureRecognizer& /*recognizer*/) { return true; }
    virtual bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& /*recognizer*/,
                                                     const UITouch& /*touch*/) {
        return true;
    }
    virtual bool gestureRecognizerShouldRecognizeSimultaneously(UIGestureRecognizer& /*recognizer*/,
                                                                UIGestureRecognizer& /*other*/) {
        return false;
    }
};
