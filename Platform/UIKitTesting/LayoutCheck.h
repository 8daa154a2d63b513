#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIColor.h"

class UIWindow;

// One layout fault a person would see on the glass.
struct LayoutProblem {
    enum class Kind { textDoesNotFit, outsideWindow, controlCovered, textsOverlap, lowContrast };
    Kind kind;
    std::string path;    // the view, from its screen down: "ChatViewController > UIView#2 > UILabel "Hi""
    std::string detail;  // what is wrong, with the numbers
    std::string describe() const;
};

// Finds what a person would call a broken layout on a window's glass: a text that does not fit
// its label or button, a view drawn partly outside the window, a control that a tap at its
// centre cannot reach (another view or the keyboard is on it), two texts drawn over each other,
// and text whose contrast with what is drawn behind it is below WCAG 2.1 AA. Views that allow a
// kind of problem (UIView::allowLayoutProblems) are not reported for it. Reads the view tree and
// the toolkit's text metric, draws nothing. Main thread only.
class LayoutCheck {
public:
    static constexpr double bodyTextContrast = 4.5;
    static constexpr double largeTextContrast = 3.0;  // 18 points, or 14 points bold

    static std::vector<LayoutProblem> problems(const std::shared_ptr<UIWindow>& window);
    // The problems one to a line, or "no layout problems".
    static std::string report(const std::vector<LayoutProblem>& problems);
    // WCAG 2.1 contrast ratio of two opaque colours, 1 to 21.
    static double contrastRatio(const UIColor& a, const UIColor& b);
};
