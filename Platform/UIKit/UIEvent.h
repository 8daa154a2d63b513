#pragma once

// An event carrying touches; also the "fresh event" that explicit action sends pass along.
class UIEvent {
public:
    UIEvent() = default;
};
