// Must not compile: the core interface needs no view toolkit.
#include "UIKit/UIColor.h"
