// A thread that carries out a stream's steps for a library thread: each step's effect (a download
// chunk written, an upload chunk sent), then the step's progress notification to the host. The
// library thread prepares the next step meanwhile (expands or compresses the next chunk). Its next
// host call, notification or AwaitNotice waits for the step's notification, and it hands over a
// step only after that, so the host sees every effect before its notification and no effect ahead
// of the notification before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tessnet {

class ThreadSlot;

class StepPipe {
  public:
    StepPipe() = default;
    // Stops the thread, waiting for it within `Connection::kStopBound`.
    ~StepPipe();
    StepPipe(const StepPipe&) = delete;
    StepPipe& operator=(const StepPipe&) = delete;

    // Hands a step over from the thread `caller`; the pipe's thread starts with the first.
    // `effect` returns false when it failed: its notification is then not sent, and failed()
    // turns true. `effect` must own what it uses: a stopped pipe's thread may finish alone.
    void Hand(const std::shared_ptr<ThreadSlot>& caller, std::function<bool()> effect, int type,
              std::vector<std::uint8_t> record);
    bool failed() const;
    void ClearFailure();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace tessnet
