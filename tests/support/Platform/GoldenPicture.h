#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "UIKit/PictureRenderer.h"
#include "UIKitTesting/PictureComparison.h"

// Golden pictures of screen states, kept as PNG at 1x in tests/goldens/<name>.png and compared
// within GoldenTolerance.
class GoldenPicture {
public:
    // Compares `actual` with the golden `name`. With VELMARO_UPDATE_GOLDENS=1 in the environment
    // it writes the golden instead and passes. A failure writes the actual picture and a
    // difference map under the build folder and adds the state to one HTML page (golden, actual,
    // difference side by side), which the failure message names.
    static ::testing::AssertionResult matches(const Picture& actual, const std::string& name);

    static std::filesystem::path goldensFolder();
    static std::filesystem::path failuresFolder();
    static bool updating();
};
