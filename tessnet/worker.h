// One library thread with a bounded, cooperative stop (see docs/threading.md).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace tessnet {

class Worker {
  public:
    // How long a stopper waits for the thread before leaving it to finish on its own. Every wait
    // of a library thread ends at its stop request, so only a thread inside a disk write or a
    // codec call takes longer.
    static constexpr std::chrono::milliseconds kStopBound{6};

    Worker() = default;
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // `body` must own (share) whatever it uses: a thread left to finish alone outlives its stopper.
    void Start(std::function<void(std::stop_token)> body);
    void RequestStop();
    bool IsCurrent() const;
    // Requests the stop and waits up to `bound` for the thread to end; a thread that is still busy,
    // or the calling thread itself, is left to finish on its own.
    void StopWithin(std::chrono::milliseconds bound = kStopBound);

    // Library threads of the process that have not ended yet.
    static std::size_t Running();

  private:
    struct End {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    std::shared_ptr<End> end_;
    std::jthread thread_;
};

}  // namespace tessnet
