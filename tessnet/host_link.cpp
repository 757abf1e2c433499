#include "host_link.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessnet {

enum class CallState { Pending, Running, Done, Cancelled };

// A call posted to the host that its poster waits for.
struct Waited {
    std::shared_ptr<ThreadSlot> waiter;
    std::shared_ptr<std::atomic<CallState>> state;
};

// The waiting side of a posted call, which reads its waiter's slot.
struct WaitAccess {
    static bool WaitFor(const Waited& w);
};

namespace {

constexpr std::chrono::microseconds kSpinBeforeSleep{50};

std::mutex& LinkMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<const HostLink>& LinkStorage() {
    static std::shared_ptr<const HostLink> link;
    return link;
}

struct PostedCall {
    std::function<void(const HostLink&)> call;
    std::shared_ptr<const HostLink> link;  // the host it was posted to
    // For waited calls: the waiter's slot, whose mutex is held to change `state` (the waiter may
    // also read it without the mutex while it spins).
    std::shared_ptr<ThreadSlot> slot;
    std::shared_ptr<std::atomic<CallState>> state;
};

// Calls handed to the host and not run yet, by the number the host was given instead of a
// pointer. A host that shuts down may never run a posted call: ending the link frees what is left
// here, and a call the host still runs after that finds nothing and does nothing.
struct PendingCalls {
    std::mutex mutex;
    std::uint64_t nextId = 1;
    std::unordered_map<std::uint64_t, std::unique_ptr<PostedCall>> calls;
};
PendingCalls& Pending() {
    static PendingCalls pending;
    return pending;
}

}  // namespace

void DropPendingCalls() {
    std::unordered_map<std::uint64_t, std::unique_ptr<PostedCall>> dropped;
    {
        std::lock_guard lock(Pending().mutex);
        dropped.swap(Pending().calls);
    }
    for (auto& [id, posted] : dropped) {
        if (!posted->slot) continue;
        // A thread still waiting for this delivery learns that it will not come.
        std::lock_guard lock(posted->slot->mutex_);
        *posted->state = CallState::Cancelled;
        posted->slot->deliveredCv_.notify_all();
    }
}

std::shared_ptr<const HostLink> CurrentLink() {
    std::lock_guard lock(LinkMutex());
    return LinkStorage();
}

void SetLink(std::shared_ptr<const HostLink> link) {
    {
        std::lock_guard lock(LinkMutex());
        LinkStorage() = std::move(link);
    }
    // Calls posted to an earlier host will not run there any more.
    DropPendingCalls();
}

void ThreadSlot::Start(std::function<void()> body) {
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        signalled_ = true;
        exited_ = false;
    }
    std::lock_guard handle(handleMutex_);
    thread_ = std::thread([this, body = std::move(body)] {
        {
            std::lock_guard lock(mutex_);
            id_ = std::this_thread::get_id();
        }
        body();
        std::lock_guard lock(mutex_);
        exited_ = true;
        cv_.notify_all();
    });
}

bool ThreadSlot::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, timeout, [this] { return stop_ || signalled_; });
    signalled_ = false;
    return !stop_;
}

void ThreadSlot::Signal() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    cv_.notify_all();
}

void ThreadSlot::RequestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    cv_.notify_all();
    deliveredCv_.notify_all();
}

bool ThreadSlot::StopRequested() {
    std::lock_guard lock(mutex_);
    return stop_;
}

bool ThreadSlot::IsCurrent() {
    std::lock_guard lock(mutex_);
    return id_ == std::this_thread::get_id();
}

bool ThreadSlot::Running() {
    std::lock_guard lock(mutex_);
    return !exited_;
}

void ThreadSlot::StopWithin(std::chrono::milliseconds bound) {
    std::lock_guard handle(handleMutex_);
    RequestStop();
    if (!thread_.joinable()) return;
    if (IsCurrent()) {
        thread_.detach();
        return;
    }
    bool ended;
    {
        std::unique_lock lock(mutex_);
        ended = cv_.wait_for(lock, bound, [this] { return exited_; });
    }
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

// The host's side of a posted call; `arg` is the call's number in the pending calls.
void RunPostedCall(void* arg) {
    std::unique_ptr<PostedCall> posted;
    {
        std::lock_guard lock(Pending().mutex);
        const auto it = Pending().calls.find(reinterpret_cast<std::uintptr_t>(arg));
        if (it == Pending().calls.end()) return;
        posted = std::move(it->second);
        Pending().calls.erase(it);
    }
    if (!posted->slot) {
        posted->call(*posted->link);
        return;
    }
    ThreadSlot& slot = *posted->slot;
    {
        std::lock_guard lock(slot.mutex_);
        if (*posted->state == CallState::Cancelled) return;
        *posted->state = CallState::Running;
    }
    posted->call(*posted->link);
    std::lock_guard lock(slot.mutex_);
    *posted->state = CallState::Done;
    slot.deliveredCv_.notify_all();
}

namespace {

// Hands a call to the current host. Under the link's lock, so that once FreeFtpDll has returned
// no thread can post into a host that may be gone.
bool PostCall(std::unique_ptr<PostedCall> posted) {
    std::lock_guard lock(LinkMutex());
    const auto& link = LinkStorage();
    if (!link || !link->host.post) return false;
    posted->link = link;
    std::uintptr_t id;
    {
        std::lock_guard pendingLock(Pending().mutex);
        id = static_cast<std::uintptr_t>(Pending().nextId++);
        Pending().calls.emplace(id, std::move(posted));
    }
    link->host.post(link->host.context, &RunPostedCall, reinterpret_cast<void*>(id));
    return true;
}

// Posts `call` for a waiter; nothing when there is no host or the slot's stop was requested.
std::optional<Waited> PostWaited(const std::shared_ptr<ThreadSlot>& slot,
                                 std::function<void(const HostLink&)> call) {
    // A thread that was asked to stop (and perhaps left to finish alone) posts nothing more.
    if (slot && slot->StopRequested()) return std::nullopt;
    // A waiter without a slot of its own still needs somewhere to wait; it cannot be cancelled.
    Waited w{slot ? slot : std::make_shared<ThreadSlot>(),
             std::make_shared<std::atomic<CallState>>(CallState::Pending)};
    if (!PostCall(
            std::make_unique<PostedCall>(PostedCall{std::move(call), nullptr, w.waiter, w.state})))
        return std::nullopt;
    return w;
}

}  // namespace

// Waits until the host has run the call, or until the waiter's stop is requested before the call
// started (the call is then cancelled). Returns whether the call ran.
bool WaitAccess::WaitFor(const Waited& w) {
    std::atomic<CallState>& state = *w.state;
    // A host that is awake handles a call within microseconds; waiting for it briefly without
    // sleeping spares this thread a wake-up, which costs a virtual machine tens of microseconds,
    // once per chunk of a transfer. Yielding rather than spinning leaves the processor to the
    // host's thread (or the server) where they share one.
    const auto spinUntil = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    while (state != CallState::Done && std::chrono::steady_clock::now() < spinUntil)
        std::this_thread::yield();
    if (state == CallState::Done) return true;

    std::unique_lock lock(w.waiter->mutex_);
    // Not woken by the connection's data signals, only by the delivery or a stop.
    w.waiter->deliveredCv_.wait(lock, [&] {
        return state == CallState::Done || state == CallState::Cancelled ||
               (w.waiter->stop_ && state == CallState::Pending);
    });
    if (state == CallState::Done) return true;
    state = CallState::Cancelled;
    return false;
}

namespace {

// The notification this thread posted with NotifyLater and has not waited for yet.
thread_local std::optional<Waited> tlsUnawaited;

}  // namespace

bool AwaitNotice() {
    if (!tlsUnawaited) return true;
    const Waited w = std::move(*tlsUnawaited);
    tlsUnawaited.reset();
    return WaitAccess::WaitFor(w);
}

bool RunOnHost(const std::shared_ptr<ThreadSlot>& slot,
               const std::function<void(const HostLink&)>& call) {
    AwaitNotice();
    const auto link = CurrentLink();
    if (!link || !link->host.post) return false;
    if (std::this_thread::get_id() == link->hostThread) {
        call(*link);
        return true;
    }
    const auto w = PostWaited(slot, call);
    return w && WaitAccess::WaitFor(*w);
}

void NotifyLater(const std::shared_ptr<ThreadSlot>& slot, int type, const void* record,
                 std::size_t size) {
    AwaitNotice();
    const auto link = CurrentLink();
    if (!link || !link->host.post) return;
    auto call = [type, copy = std::vector<std::uint8_t>(
                           static_cast<const std::uint8_t*>(record),
                           static_cast<const std::uint8_t*>(record) + size)](const HostLink& host) {
        if (host.host.window_proc)
            host.host.window_proc(host.host.context, host.message, type & 0xFF, copy.data());
    };
    if (std::this_thread::get_id() == link->hostThread) {
        call(*link);
        return;
    }
    tlsUnawaited = PostWaited(slot, std::move(call));
}

void PostToHost(std::function<void(const HostLink&)> call) {
    AwaitNotice();
    PostCall(std::make_unique<PostedCall>(PostedCall{std::move(call), nullptr, nullptr, nullptr}));
}

void Notify(const std::shared_ptr<ThreadSlot>& slot, int type, const void* record) {
    RunOnHost(slot, [&](const HostLink& link) {
        if (link.host.window_proc)
            link.host.window_proc(link.host.context, link.message, type & 0xFF, record);
    });
}

void ShowBox(const std::shared_ptr<ThreadSlot>& slot, const std::string& text,
             const std::string& caption, int icon) {
    RunOnHost(slot, [&](const HostLink& link) {
        if (link.host.message_box)
            link.host.message_box(link.host.context, text.c_str(), caption.c_str(), icon);
    });
}

}  // namespace tessnet
