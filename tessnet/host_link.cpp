#include "host_link.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace tessnet {

// A call posted to the host that its poster waits for.
struct Waited {
    std::shared_ptr<ThreadSlot> waiter;
    std::shared_ptr<std::atomic<CallState>> state;
};

// The waiting side of a posted call, which reads its waiter's slot.
struct WaitAccess {
    static bool WaitFor(const Waited& w);
    // A call that will not run: its waiter learns so.
    static void Cancel(ThreadSlot& waiter, std::atomic<CallState>& state);
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
    // A step of a stream (a transfer's progress): its poster will soon have the next one.
    bool streaming = false;
};

// Calls handed to the host and not run yet, by the number the host was given instead of a
// pointer. A host that shuts down may never run a posted call: ending the link frees what is left
// here, and a call the host still runs after that finds nothing and does nothing.
struct PendingCalls {
    std::mutex mutex;
    std::uint64_t nextId = 1;
    std::map<std::uint64_t, std::unique_ptr<PostedCall>> calls;  // in posting order
    std::atomic<std::size_t> count{0};  // calls.size(), for looking without the lock
};
PendingCalls& Pending() {
    static PendingCalls pending;
    return pending;
}

// Calls posted to an earlier host will not run there any more.
void DropPendingCalls() {
    std::map<std::uint64_t, std::unique_ptr<PostedCall>> dropped;
    {
        std::lock_guard lock(Pending().mutex);
        dropped.swap(Pending().calls);
        Pending().count = 0;
    }
    for (auto& [id, posted] : dropped)
        if (posted->slot) WaitAccess::Cancel(*posted->slot, *posted->state);
}

}  // namespace

std::shared_ptr<const HostLink> CurrentLink() {
    std::lock_guard lock(LinkMutex());
    return LinkStorage();
}

void SetLink(std::shared_ptr<const HostLink> link) {
    {
        std::lock_guard lock(LinkMutex());
        LinkStorage() = std::move(link);
    }
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

bool ThreadSlot::WaitForSignal() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return stop_ || signalled_; });
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

namespace {

// How long the host's thread keeps waiting for a stream's next step, and how long it may keep
// delivering before it returns to its own loop.
constexpr std::chrono::microseconds kFollowWindow{150};
constexpr std::chrono::milliseconds kFollowLimit{4};

// Takes call `id`, or with id 0 the oldest call, if it was posted to `link`.
std::unique_ptr<PostedCall> TakeCall(std::uint64_t id, const HostLink* link) {
    std::lock_guard lock(Pending().mutex);
    auto& calls = Pending().calls;
    const auto it = id ? calls.find(id) : calls.begin();
    if (it == calls.end() || (link && it->second->link.get() != link)) return nullptr;
    auto posted = std::move(it->second);
    calls.erase(it);
    Pending().count = calls.size();
    return posted;
}

}  // namespace

// The host's side of a posted call; `arg` is the call's number in the pending calls.
void RunPostedCall(void* arg) {
    // Runs a call; returns whether it was a stream's step.
    const auto run = [](std::unique_ptr<PostedCall> posted) {
        if (!posted->slot) {
            posted->call(*posted->link);
            return false;
        }
        ThreadSlot& slot = *posted->slot;
        {
            std::lock_guard lock(slot.mutex_);
            if (*posted->state == CallState::Cancelled) return false;
            *posted->state = CallState::Running;
        }
        posted->call(*posted->link);
        std::lock_guard lock(slot.mutex_);
        *posted->state = CallState::Done;
        slot.deliveredCv_.notify_all();
        return posted->streaming;
    };
    auto posted = TakeCall(reinterpret_cast<std::uintptr_t>(arg), nullptr);
    // Already run by an earlier delivery (below), or dropped with its host.
    if (!posted) return;
    const std::shared_ptr<const HostLink> link = posted->link;

    // A transfer reports every chunk and waits for each report. Going back to the host's loop
    // after each would put the host's thread to sleep between chunks, and waking it costs more
    // than a chunk's work. So while a stream's steps follow each other closely, the next ones,
    // and whatever else was posted before them, are delivered here in posting order; the host's
    // loop gets its thread back after a few milliseconds at most, and at once when steps come
    // slowly (a slow network). Their own postings then find nothing left to run.
    using SteadyClock = std::chrono::steady_clock;
    thread_local SteadyClock::time_point lastStepEnd;
    bool closely = false;
    const auto deliver = [&](std::unique_ptr<PostedCall> call) {
        const auto start = SteadyClock::now();
        if (!run(std::move(call))) return;
        closely = start - lastStepEnd < kFollowWindow;
        lastStepEnd = SteadyClock::now();
    };
    deliver(std::move(posted));
    const auto limit = SteadyClock::now() + kFollowLimit;
    while (closely) {
        if (Pending().count > 0) {
            auto next = TakeCall(0, link.get());
            if (!next) return;  // posted to another host
            deliver(std::move(next));
            if (SteadyClock::now() >= limit) return;
            continue;
        }
        if (SteadyClock::now() - lastStepEnd >= kFollowWindow) return;
        std::this_thread::yield();
    }
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
        Pending().count = Pending().calls.size();
    }
    link->host.post(link->host.context, &RunPostedCall, reinterpret_cast<void*>(id));
    return true;
}

// Hands notification `type` to the host's window procedure (on the host's thread).
void Deliver(const HostLink& link, int type, const void* record) {
    if (link.host.window_proc)
        link.host.window_proc(link.host.context, link.message, type & 0xFF, record);
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

void WaitAccess::Cancel(ThreadSlot& waiter, std::atomic<CallState>& state) {
    std::lock_guard lock(waiter.mutex_);
    if (state == CallState::Pending) state = CallState::Cancelled;
    waiter.deliveredCv_.notify_all();
}

namespace {

// The deferred notification of this thread that it has not waited for yet.
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

DeferredNotice DeferNotice(const std::shared_ptr<ThreadSlot>& slot) {
    AwaitNotice();
    DeferredNotice notice;
    if (!slot || slot->StopRequested()) return notice;
    notice.waiter_ = slot;
    notice.state_ = std::make_shared<std::atomic<CallState>>(CallState::Pending);
    tlsUnawaited = Waited{notice.waiter_, notice.state_};
    return notice;
}

DeferredNotice& DeferredNotice::operator=(DeferredNotice&& other) noexcept {
    if (this != &other) {
        Release();
        waiter_ = std::move(other.waiter_);
        state_ = std::move(other.state_);
    }
    return *this;
}

DeferredNotice::~DeferredNotice() {
    Release();
}

void DeferredNotice::Send(int type, std::vector<std::uint8_t> record) {
    if (!state_) return;
    auto call = [type, copy = std::move(record)](const HostLink& link) {
        Deliver(link, type, copy.data());
    };
    if (!waiter_->StopRequested() && PostCall(std::make_unique<PostedCall>(PostedCall{
                                         std::move(call), nullptr, waiter_, state_, true}))) {
        waiter_.reset();
        state_.reset();
    }
    Release();
}

// Lets the waiting thread go when the notice was not posted.
void DeferredNotice::Release() {
    if (!state_) return;
    WaitAccess::Cancel(*waiter_, *state_);
    waiter_.reset();
    state_.reset();
}

void PostToHost(std::function<void(const HostLink&)> call) {
    AwaitNotice();
    PostCall(std::make_unique<PostedCall>(PostedCall{std::move(call), nullptr, nullptr, nullptr}));
}

void Notify(const std::shared_ptr<ThreadSlot>& slot, int type, const void* record) {
    RunOnHost(slot, [&](const HostLink& link) { Deliver(link, type, record); });
}

void ShowBox(const std::shared_ptr<ThreadSlot>& slot, const std::string& text,
             const std::string& caption, int icon) {
    RunOnHost(slot, [&](const HostLink& link) {
        if (link.host.message_box)
            link.host.message_box(link.host.context, text.c_str(), caption.c_str(), icon);
    });
}

}  // namespace tessnet
