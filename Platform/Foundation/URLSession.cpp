#include "Foundation/URLSession.h"

#include "Dispatch/DispatchQueue.h"
#include "Foundation/URLSessionWorker.h"

URLSession& URLSession::shared() {
    // The global queue must outlive the shared session, whose destruction at exit hands
    // `cancelled` completions to it: make sure it exists first, so it is destroyed last.
    static const bool globalQueueReady = [] {
        DispatchQueue::global().async([] {});
        return true;
    }();
    (void)globalQueueReady;
    static URLSession session;
    return session;
}

URLSession::URLSession() : URLSession(Configuration{}) {}

URLSession::URLSession(Configuration configuration)
    : configuration_(configuration),
      worker_(std::make_shared<URLSessionWorker>(configuration.timeoutInterval, configuration.maximumResponseSize)) {}

URLSession::~URLSession() = default;

std::shared_ptr<URLSessionDataTask> URLSession::dataTask(const URL& url,
                                                         URLSessionDataTask::CompletionHandler completion) {
    return std::make_shared<URLSessionDataTask>(worker_, url, std::move(completion), nextIdentifier_++);
}
