#include "Velmaro/Helpers/ImageCache.h"

namespace velmaro {

ImageCache::Storage& ImageCache::shared() {
    // Never destroyed: downloads may still store into it while the process exits.
    static Storage* cache = new Storage("ImageCache", totalCostLimit);
    return *cache;
}

}  // namespace velmaro
