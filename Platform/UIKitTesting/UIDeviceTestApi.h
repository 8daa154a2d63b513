#pragma once

// What tests read of the device and put back between tests.
class UIDeviceTestApi {
public:
    // Input clicks played since the last reset.
    static int inputClickCount();
    static void reset();
};
