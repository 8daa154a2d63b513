#include "UIKit/UIDevice.h"

UIDevice& UIDevice::current() {
    static UIDevice device;
    return device;
}
