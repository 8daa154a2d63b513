#include "UIKitTesting/BundleTestApi.h"

#include "Foundation/Bundle.h"

void BundleTestApi::reset() { Bundle::forgetPaths(); }
