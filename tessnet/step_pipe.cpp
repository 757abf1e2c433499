#include "step_pipe.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "connection.h"
#include "host_link.h"

namespace tessnet {

struct StepPipe::Shared {
    struct Step {
        std::function<bool()> effect;
        int type = 0;
        std::vector<std::uint8_t> record;
        DeferredNotice notice;
    };

    // How long the thread looks for the next step before it sleeps, while steps come closely: a
    // transfer over a fast network hands one over every few microseconds, and a wake-up costs
    // more than that.
    static constexpr std::chrono::microseconds kFollowWindow{100};

    std::shared_ptr<ThreadSlot> slot = std::make_shared<ThreadSlot>();
    std::mutex mutex;
    std::optional<Step> mailbox;
    std::atomic<bool> full{false};
    std::atomic<bool> failed{false};

    void Run() {
        using SteadyClock = std::chrono::steady_clock;
        SteadyClock::time_point lastEnd;
        bool closely = false;
        for (;;) {
            while (closely && !full && SteadyClock::now() - lastEnd < kFollowWindow)
                std::this_thread::yield();
            if (!full && !slot->WaitForSignal() && !full) return;
            std::optional<Step> step;
            {
                std::lock_guard lock(mutex);
                step.swap(mailbox);
                full = false;
            }
            if (!step) continue;
            closely = SteadyClock::now() - lastEnd < kFollowWindow;
            if (step->effect())
                step->notice.Send(step->type, std::move(step->record));
            else
                failed = true;  // the notice, dropped unsent, lets the caller go
            step.reset();
            lastEnd = SteadyClock::now();
        }
    }
};

StepPipe::~StepPipe() {
    if (shared_) shared_->slot->StopWithin(Connection::kStopBound);
}

void StepPipe::Hand(const std::shared_ptr<ThreadSlot>& caller, std::function<bool()> effect,
                    int type, std::vector<std::uint8_t> record) {
    if (!shared_) {
        shared_ = std::make_shared<Shared>();
        shared_->slot->Start([shared = shared_] { shared->Run(); });
    }
    // The step before has been taken already: its notification, which the caller waited for,
    // comes after the taking. Only a caller whose wait a stop request cut short gets here early.
    while (shared_->full) std::this_thread::yield();
    Shared::Step step{std::move(effect), type, std::move(record), DeferNotice(caller)};
    {
        std::lock_guard lock(shared_->mutex);
        shared_->mailbox = std::move(step);
        shared_->full = true;
    }
    shared_->slot->Signal();
}

bool StepPipe::failed() const {
    return shared_ && shared_->failed;
}

void StepPipe::ClearFailure() {
    if (shared_) shared_->failed = false;
}

}  // namespace tessnet
