#pragma once

class UIScrollView;

// Told when the content moves. Held weakly by the scroll view.
class UIScrollViewDelegate {
public:
    virtual ~UIScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(UIScrollView& /*scrollView*/) {}
    // After an animated scroll has come to rest.
    virtual void scrollViewDidEndScrollingAnimation(UIScrollView& /*scrollView*/) {}
};
