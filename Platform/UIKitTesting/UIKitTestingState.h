#pragma once

// Puts the toolkit's process-wide state back as a fresh process has it: appearance proxies,
// animations enabled, the animation log, the device's input clicks.
class UIKitTestingState {
public:
    static void reset();
};
