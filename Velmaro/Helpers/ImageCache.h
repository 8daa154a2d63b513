#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Foundation/Cache.h"
#include "UIKit/UIImage.h"

namespace velmaro {

// The process-wide cache of downloaded images, named "ImageCache": keyed by the image address's
// absolute text, each entry costing the bytes of its decoded pixels (a small file of a large
// picture costs its pixels, not its download), 500 MiB in all. Entries may be evicted at any time; an evicted image is simply downloaded again.
class ImageCache {
public:
    using Storage = Cache<std::string, std::shared_ptr<UIImage>>;
    static constexpr std::size_t totalCostLimit = 524288000;

    // Made on first use; lives until the process exits. Safe from any thread.
    static Storage& shared();
};

}  // namespace velmaro
