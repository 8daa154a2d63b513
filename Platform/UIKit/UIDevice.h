#pragma once

// The device. Its input click is counted rather than heard, so tests can see it.
class UIDevice {
public:
    static UIDevice& current();

    void playInputClick() { ++inputClicks_; }
    int inputClickCountForTesting() const { return inputClicks_; }
    void resetForTesting() { inputClicks_ = 0; }

private:
    UIDevice() = default;
    int inputClicks_ = 0;
};
