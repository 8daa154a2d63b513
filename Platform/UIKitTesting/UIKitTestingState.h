#pragma once

// Puts the platform's process-wide state back as a fresh process has it: the standard user
// defaults (empty, in memory), the default notification center's registrations, the bundle
// paths a host set, the appearance proxies, animations enabled, the animation log, the device's
// input clicks. The one reset a test fixture calls between tests.
class UIKitTestingState {
public:
    static void reset();
};
