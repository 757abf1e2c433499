#include "host_link.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace tessnet {

namespace {

std::mutex& LinkMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<const HostLink>& LinkStorage() {
    static std::shared_ptr<const HostLink> link;
    return link;
}

enum class CallState { Pending, Running, Done, Cancelled };

struct PostedCall {
    std::function<void(const HostLink&)> call;
    std::shared_ptr<const HostLink> link;  // the host it was posted to
    // For waited calls: the waiter's slot, whose mutex guards `state`.
    std::shared_ptr<ThreadSlot> slot;
    std::shared_ptr<CallState> state;
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

}  // namespace

bool RunOnHost(const std::shared_ptr<ThreadSlot>& slot,
               const std::function<void(const HostLink&)>& call) {
    const auto link = CurrentLink();
    if (!link || !link->host.post) return false;
    if (std::this_thread::get_id() == link->hostThread) {
        call(*link);
        return true;
    }
    // A thread that was asked to stop (and perhaps left to finish alone) posts nothing more.
    if (slot && slot->StopRequested()) return false;
    // A waiter without a slot of its own still needs somewhere to wait; it cannot be cancelled.
    const auto waiter = slot ? slot : std::make_shared<ThreadSlot>();
    auto state = std::make_shared<CallState>(CallState::Pending);
    if (!PostCall(std::make_unique<PostedCall>(PostedCall{call, nullptr, waiter, state})))
        return false;

    std::unique_lock lock(waiter->mutex_);
    // Not woken by the connection's data signals, only by the delivery or a stop.
    waiter->deliveredCv_.wait(lock, [&] {
        return *state == CallState::Done || *state == CallState::Cancelled ||
               (waiter->stop_ && *state == CallState::Pending);
    });
    if (*state == CallState::Done) return true;
    *state = CallState::Cancelled;
    return false;
}

void PostToHost(std::function<void(const HostLink&)> call) {
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
