#pragma once

// The device. Its input click is counted rather than heard; the testing kit reads the count.
class UIDevice {
public:
    static UIDevice& current();

    void playInputClick() { ++inputClicks_; }

private:
    friend class UIDeviceTestApi;

    UIDevice() = default;
    int inputClicks_ = 0;
};
