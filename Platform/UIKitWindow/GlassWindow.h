#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "UIKit/CGRect.h"

class UIWindow;

// A desktop window that shows a UIWindow's glass as the picture renderer draws it, and feeds the
// mouse and keyboard to it as a person's fingers and keys on the device: a click taps the view
// under the pointer, a drag or the wheel scrolls the scroll view under it, typed text goes to the
// input being edited, backspace deletes, Return returns. A click on the toolbar above the on-screen
// keyboard is a tap on the bar item drawn there.
//
// The window and the main run loop share the main thread: run() and runUntil() run main-queue
// tasks as they fall due and handle the window's events in between, and sleep while neither has
// anything to do (a task queued from another thread wakes them). A frame is drawn only after the
// glass changed, at most once per refresh of the display, and redraws and sends only the part of
// the glass that changed. Main thread only.
class GlassWindow {
public:
    struct Options {
        std::string title = "Velmaro";
        // Pixels a point; 0 picks the largest that fits the display (see fittingScale).
        double scale = 0;
    };

    // Opens the window; throws std::runtime_error when there is no display to open it on.
    GlassWindow(std::shared_ptr<UIWindow> window, Options options);
    ~GlassWindow();
    GlassWindow(const GlassWindow&) = delete;
    GlassWindow& operator=(const GlassWindow&) = delete;

    // Shows another window's glass in the same desktop window (a host that made a new one).
    void setWindow(std::shared_ptr<UIWindow> window);
    const std::shared_ptr<UIWindow>& window() const { return window_; }
    double scale() const { return scale_; }
    // True once the person closed the window; nothing runs any more after that.
    bool isClosed() const { return closed_; }
    // The window system's id of the window (an X window), 0 when it has none.
    std::uint64_t nativeId() const;

    enum class Outcome { done, closed, timedOut };
    // Runs the main queue and the window until `done` holds (checked after each task and event),
    // the window is closed, or `timeoutSeconds` pass (negative: no timeout).
    Outcome runUntil(const std::function<bool()>& done, double timeoutSeconds = -1);
    // Until the window is closed.
    void run() { runUntil([] { return false; }); }
    // Shows the glass for `seconds` without running the main queue, answering only the window's
    // own events (a pause between scripted steps); false when the window was closed meanwhile.
    bool hold(double seconds);
    // Draws a frame now when the glass changed since the last one (or `force`); true when drawn.
    bool present(bool force = false);
    std::uint64_t framesPresented() const { return frames_; }
    // True while the last frame shows the glass as it is.
    bool isUpToDate() const;

    // What Tab does: the next arrow of the keyboard's toolbar, as the host provides it. Answers
    // whether it did something.
    std::function<bool()> onTab;

    // The largest scale, in steps of a quarter from 1/2 to 3, at which a window of `points`
    // leaves a margin on a display area of `pixels`.
    static double fittingScale(CGSize points, CGSize pixels);

private:
    struct Native;
    // Waits for the window's next event at most `seconds` and handles it and every other one
    // pending; the main queue's submits end the wait early.
    void waitAndHandleEvents(double seconds);
    void handle(const void* event);
    void pressed(CGPoint point);
    void moved(CGPoint point);
    void released(CGPoint point);
    void wheel(CGPoint point, double dy);
    void typed(const std::string& text);
    void key(int keycode);
    CGPoint toPoints(int x, int y) const;
    bool onKeyboard(CGPoint point) const;
    // Seconds until the next frame may be drawn, 0 when now.
    double untilNextFrame() const;

    std::unique_ptr<Native> native_;
    std::shared_ptr<UIWindow> window_;
    double scale_ = 1;
    double frameInterval_ = 1.0 / 60;
    std::uint64_t drawnGeneration_ = 0;
    bool drawnOnce_ = false;
    bool exposed_ = false;
    bool closed_ = false;
    std::uint64_t frames_ = 0;
    std::int64_t lastFrameNanoseconds_ = 0;

    // The mouse button held down: where, and the scroll view a drag moves.
    struct Press;
    std::unique_ptr<Press> press_;
};
