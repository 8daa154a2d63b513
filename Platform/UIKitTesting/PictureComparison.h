#pragma once

#include <cstdint>

#include "UIKit/PictureRenderer.h"

// How far a picture may stray from its golden: a pixel differs when its colour is more than
// `pixelDeltaE94` away (CIE 1994 colour difference; about 2.3 is the smallest a person notices),
// and a picture matches while at most `shareOfPixels` of its pixels differ (antialiasing at the
// edges of text and curves on another machine's rasteriser, nothing a person would call a change).
struct GoldenTolerance {
    static constexpr double pixelDeltaE94 = 3.0;
    static constexpr double shareOfPixels = 0.001;
};

// Where two pictures differ.
struct PictureDifference {
    bool sameSize = true;
    long differing = 0;        // pixels beyond the colour tolerance
    double largestDeltaE = 0;  // over all pixels
    long pixels = 0;
    Picture map;  // the actual picture faded, differing pixels red, smaller differences yellow
    double share() const { return pixels > 0 ? static_cast<double>(differing) / static_cast<double>(pixels) : 0; }
    bool withinTolerance() const { return sameSize && share() <= GoldenTolerance::shareOfPixels; }
};

// Compares pictures as a person would: colour differences in CIE 1994 terms, not raw bytes.
class PictureComparison {
public:
    // CIE 1994 colour difference of two pixels (0xAARRGGBB, over white where not opaque).
    static double deltaE94(std::uint32_t a, std::uint32_t b);
    static PictureDifference compare(const Picture& expected, const Picture& actual);
};
