#pragma once

#include <memory>
#include <ostream>

#include "UIKit/UIWindow.h"
#include "support/Platform/MainLoopTest.h"

// Readable geometry in failure messages.
inline void PrintTo(const CGPoint& p, std::ostream* os) { *os << "{" << p.x << ", " << p.y << "}"; }
inline void PrintTo(const CGSize& s, std::ostream* os) { *os << "{" << s.width << ", " << s.height << "}"; }
inline void PrintTo(const CGRect& r, std::ostream* os) { *os << r.description(); }
inline void PrintTo(const UIColor& c, std::ostream* os) { *os << c.description(); }

// MainLoopTest plus a fresh window (0, 0, 375, 667) per test, appearance proxies and the
// animation log reset, animations enabled. Tear-down takes the focus away and drains the queue.
class UIKitTest : public MainLoopTest {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::shared_ptr<UIWindow>& window() const { return window_; }

private:
    std::shared_ptr<UIWindow> window_;
};
