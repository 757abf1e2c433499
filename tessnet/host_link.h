// The library's side of the host descriptor: the current host, running calls on the host's UI
// thread, and the stop/wake slot that every library thread waits on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tessnet/tessnet.h"

namespace tessnet {

// What InitFtpDll set up; replaced as a whole by every InitFtpDll, dropped by FreeFtpDll.
struct HostLink {
    TessHost host{};
    int message = 0;
    std::thread::id hostThread;
    std::string downloadDirectory;  // UTF-8
    std::string startDirectory;     // UTF-8
};

std::shared_ptr<const HostLink> CurrentLink();
void SetLink(std::shared_ptr<const HostLink> link);

// Where a call posted to the host for a waiting thread stands.
enum class CallState { Pending, Running, Done, Cancelled };

// One library thread: its stop request, an auto-reset wake-up signal, and its end.
// Shared by the thread, its connection and any call it has posted to the host.
class ThreadSlot {
  public:
    void Start(std::function<void()> body);
    // Waits for a wake-up or a stop request, at most `timeout`; consumes the wake-up.
    // Returns false once a stop was requested.
    bool Wait(std::chrono::milliseconds timeout);
    // The same without a time limit, for a thread that has nothing to check while idle.
    bool WaitForSignal();
    void Signal();
    void RequestStop();
    bool StopRequested();
    bool IsCurrent();
    bool Running();
    // Requests the stop and waits up to `bound` for the thread to end. A thread that is still
    // busy (or is the calling thread) is left to finish on its own; it keeps its connection alive.
    void StopWithin(std::chrono::milliseconds bound);

  private:
    friend struct WaitAccess;
    friend void RunPostedCall(void* arg);
    std::mutex mutex_;
    std::condition_variable cv_;           // wake-ups, stop, end of the thread
    std::condition_variable deliveredCv_;  // a call posted to the host finished (or stop)
    bool stop_ = false;
    bool signalled_ = false;
    bool exited_ = true;
    std::thread::id id_;
    std::mutex handleMutex_;  // guards thread_
    std::thread thread_;
};

// Runs `call` on the host's UI thread and waits until it returned (directly when already on that
// thread). A call that has not started when `slot`'s stop is requested is cancelled. `call` gets
// the host it runs on. Returns whether the call ran.
bool RunOnHost(const std::shared_ptr<ThreadSlot>& slot,
               const std::function<void(const HostLink&)>& call);

// Runs `call` on the host's UI thread later, without waiting.
void PostToHost(std::function<void(const HostLink&)> call);

// Sends notification `type` with `record` to the host window and waits for it to be handled.
void Notify(const std::shared_ptr<ThreadSlot>& slot, int type, const void* record);

// A notification that another thread sends for the calling one once it has done work for it (a
// download chunk's write), while the calling thread prepares its next step. The calling thread's
// next host call, notification or AwaitNotice waits for it, so notifications keep their order and
// the host never has more than one of a thread's notifications in hand. A handle that is dropped
// unsent releases the waiter.
class DeferredNotice {
  public:
    DeferredNotice() = default;
    DeferredNotice(DeferredNotice&&) noexcept = default;
    DeferredNotice& operator=(DeferredNotice&& other) noexcept;
    ~DeferredNotice();
    // Sends notification `type` with `record`, without waiting for it.
    void Send(int type, std::vector<std::uint8_t> record);

  private:
    friend DeferredNotice DeferNotice(const std::shared_ptr<ThreadSlot>& slot);
    void Release();
    std::shared_ptr<ThreadSlot> waiter_;
    std::shared_ptr<std::atomic<CallState>> state_;
};

// Makes the calling thread's next host call, notification or AwaitNotice wait for the returned
// notice. An empty notice when the thread's stop was requested.
DeferredNotice DeferNotice(const std::shared_ptr<ThreadSlot>& slot);

// Waits for the calling thread's deferred notification, if any. Returns false when it was
// cancelled because the thread's stop was requested before the host started it.
bool AwaitNotice();

// Waits for the thread's deferred notification when it goes out of scope, so a thread
// does not end with one in flight.
struct AwaitNoticeOnExit {
    AwaitNoticeOnExit() = default;
    AwaitNoticeOnExit(const AwaitNoticeOnExit&) = delete;
    AwaitNoticeOnExit& operator=(const AwaitNoticeOnExit&) = delete;
    ~AwaitNoticeOnExit() { AwaitNotice(); }
};

// One of the library's own message boxes; `text` and `caption` are UTF-8. Waits like Notify.
void ShowBox(const std::shared_ptr<ThreadSlot>& slot, const std::string& text,
             const std::string& caption, int icon);

}  // namespace tessnet
