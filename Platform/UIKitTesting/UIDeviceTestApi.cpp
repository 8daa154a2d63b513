#include "UIKitTesting/UIDeviceTestApi.h"

#include "UIKit/UIDevice.h"

int UIDeviceTestApi::inputClickCount() { return UIDevice::current().inputClicks_; }

void UIDeviceTestApi::reset() { UIDevice::current().inputClicks_ = 0; }
