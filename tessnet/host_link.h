// The library's side of the host descriptor: the current host, calls run on the host's UI thread,
// and the one notification a library thread may have in the host's hands (docs/threading.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "tessnet/tessnet.h"

namespace tessnet {

// What InitFtpDll set up; replaced as a whole by every InitFtpDll, dropped by FreeFtpDll.
struct HostLink {
    TessHost host{};
    int message = 0;
    std::string downloadDirectory;  // UTF-8
    std::string startDirectory;     // UTF-8
};

std::shared_ptr<const HostLink> CurrentLink();
// Calls posted to an earlier host and not run yet are dropped: they will not run there any more.
void SetLink(std::shared_ptr<const HostLink> link);

// Runs `call` on the host's UI thread later, without waiting; nothing without a host.
void PostToHost(std::function<void(const HostLink&)> call);

// The host's thread only: hands notification `type` to the window procedure at once.
void NotifyHere(int type, const void* record);

// Any thread: one line to the host's log, or to standard error without one (see Log).
void LogToHost(const std::string& line);

// How many library threads are waiting in PendingNotice for the host right now: a test that
// checks what a thread has not done yet waits for this instead of sleeping.
std::size_t ThreadsWaitingForHost();

struct HostCall;

// The notification a reader or sender thread has handed to the host and not yet seen handled.
// One per thread loop; the loop says where it waits, so the ordering rules stay visible:
// Post waits for the notification before, then hands a copy of the record over without waiting,
// and the thread may prepare its next step until it calls Await. Every wait ends at the thread's
// stop request, and a notification the host has not started then never runs.
class PendingNotice {
  public:
    explicit PendingNotice(std::stop_token stop) : stop_(std::move(stop)) {}
    PendingNotice(const PendingNotice&) = delete;
    PendingNotice& operator=(const PendingNotice&) = delete;

    // Returns once the host has handled the notification, or will never run it (the host
    // changed); false when the thread's stop was requested first.
    bool Await();
    // False when stopped or without a host.
    bool Post(int type, const void* record, std::size_t size);
    // Post, then Await.
    bool Deliver(int type, const void* record, std::size_t size);
    // Deliver, but the host hears it only if `stillTrue()` holds on the host's thread when the
    // notification's turn comes: for news that calls the host made meanwhile can undo.
    bool DeliverIf(int type, const void* record, std::size_t size, std::function<bool()> stillTrue);
    // One of the library's own message boxes (UTF-8), waited for like Deliver.
    bool ShowBox(std::string text, std::string caption, int icon);

  private:
    bool PostCall(std::function<void(const HostLink&)> call);

    // Cancels the pending call on the stopper's thread, at the stop request itself: a call the
    // host has not started when the stop returns never runs, however late this thread wakes.
    struct CancelCall {
        std::shared_ptr<HostCall> call;
        void operator()() const;
    };

    std::stop_token stop_;
    std::shared_ptr<HostCall> pending_;
    std::optional<std::stop_callback<CancelCall>> cancelOnStop_;
};

}  // namespace tessnet
