#include "Velmaro/CoreInterface/CoreLibrary.h"

#include <mutex>
#include <utility>

namespace velmaro {

namespace {

std::mutex& installMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<CoreLibrary>& installed() {
    static std::shared_ptr<CoreLibrary> core;
    return core;
}

}  // namespace

void installCoreLibrary(std::shared_ptr<CoreLibrary> core) {
    std::shared_ptr<CoreLibrary> previous;
    {
        std::lock_guard lock(installMutex());
        previous = std::exchange(installed(), std::move(core));
    }
    // `previous` may be the last owner; it is released here, outside the lock, because its
    // destructor may join threads that are forwarding calls.
}

std::shared_ptr<CoreLibrary> installedCoreLibrary() {
    std::lock_guard lock(installMutex());
    return installed();
}

}  // namespace velmaro
