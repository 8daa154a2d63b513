#pragma once

#include <map>
#include <string>

#include "UIKit/UIColor.h"

// Text attributes as bars use them: attribute name to colour (the only kind of value the
// screens set).
using TextAttributes = std::map<std::string, UIColor>;

inline const std::string NSForegroundColorAttributeName = "NSColor";
