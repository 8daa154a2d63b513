#include "Foundation/URLSessionDataTask.h"

#include "Dispatch/DispatchQueue.h"
#include "Foundation/URLSessionWorker.h"

URLSessionDataTask::URLSessionDataTask(std::weak_ptr<URLSessionWorker> worker, URL url, CompletionHandler completion,
                                       std::uint64_t identifier)
    : worker_(std::move(worker)), url_(std::move(url)), identifier_(identifier), completion_(std::move(completion)) {}

void URLSessionDataTask::resume() {
    {
        std::lock_guard lock(mutex_);
        if (resumed_ || state_ == State::completed) return;
        resumed_ = true;
    }
    auto self = shared_from_this();
    auto worker = worker_.lock();
    if (!worker) {
        complete(std::nullopt, std::nullopt, URLError(URLError::Code::cancelled, url_.absoluteString(), "session is gone"));
        return;
    }
    worker->start(std::move(self));
}

void URLSessionDataTask::cancel() {
    bool running;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::completed) return;
        running = state_ == State::running || resumed_;
    }
    auto worker = worker_.lock();
    if (running && worker) {
        worker->cancel(shared_from_this());
    } else {
        complete(std::nullopt, std::nullopt, URLError(URLError::Code::cancelled, url_.absoluteString()));
    }
}

URLSessionDataTask::State URLSessionDataTask::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool URLSessionDataTask::markRunning() {
    std::lock_guard lock(mutex_);
    if (state_ == State::completed) return false;
    state_ = State::running;
    return true;
}

bool URLSessionDataTask::complete(std::optional<Data> data, std::optional<HTTPURLResponse> response,
                                  std::optional<URLError> error) {
    CompletionHandler completion;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::completed) return false;
        state_ = State::completed;
        completion = std::move(completion_);
        completion_ = nullptr;
    }
    if (completion)
        DispatchQueue::global().async([completion = std::move(completion), data = std::move(data),
                                       response = std::move(response), error = std::move(error)]() mutable {
            completion(std::move(data), std::move(response), std::move(error));
        });
    return true;
}
