#include "worker.h"

#include <atomic>
#include <cassert>

namespace tessnet {

namespace {
std::atomic<std::size_t> running{0};
}  // namespace

std::size_t Worker::Running() {
    return running;
}

Worker::~Worker() {
    StopWithin();
}

void Worker::Start(std::function<void(std::stop_token)> body) {
    assert(!thread_.joinable());
    end_ = std::make_shared<End>();
    ++running;
    thread_ = std::jthread([end = end_, body = std::move(body)](std::stop_token stop) mutable {
        body(stop);
        body =
            nullptr;  // what the body owned (its connection) goes before the thread counts as ended
        --running;
        std::lock_guard lock(end->mutex);
        end->done = true;
        end->cv.notify_all();
    });
}

void Worker::RequestStop() {
    thread_.request_stop();
}

bool Worker::IsCurrent() const {
    return thread_.get_id() == std::this_thread::get_id();
}

void Worker::StopWithin(std::chrono::milliseconds bound) {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    bool ended = false;
    if (!IsCurrent()) {
        std::unique_lock lock(end_->mutex);
        ended = end_->cv.wait_for(lock, bound, [this] { return end_->done; });
    }
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

}  // namespace tessnet
