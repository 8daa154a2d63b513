// Image files as they arrive from the network or a bundle.

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "UIKit/UIImage.h"

int fuzzImageDecoding(const std::uint8_t* data, std::size_t size) {
    const auto image = UIImage::fromData(Data(data, data + size));
    if (!image) return 0;
    fuzzsupport::check(image->pixelWidth() > 0 && image->pixelHeight() > 0, "a decoded image has no pixels");
    // The corners are the pixels a broken size would put out of reach.
    for (int y : {0, image->pixelHeight() - 1})
        for (int x : {0, image->pixelWidth() - 1}) (void)image->pixelAt(x, y);
    return 0;
}
