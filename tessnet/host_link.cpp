#include "host_link.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

namespace tessnet {

// A call posted to the host that a library thread waits for.
struct HostCall {
    enum class State { Pending, Running, Done, Cancelled };
    std::mutex mutex;
    std::condition_variable_any cv;
    State state = State::Pending;

    void Set(State s) {
        {
            std::lock_guard lock(mutex);
            state = s;
        }
        cv.notify_all();
    }
    // A call that has not started will not run.
    void Cancel() {
        std::lock_guard lock(mutex);
        if (state == State::Pending) state = State::Cancelled;
        cv.notify_all();
    }
};

namespace {

struct PostedCall {
    std::function<void(const HostLink&)> call;
    std::shared_ptr<const HostLink> link;  // the host it was posted to
    std::shared_ptr<HostCall> waited;      // null for calls nobody waits for
};

// Everything the library keeps for the whole process. Created on first use and never destroyed,
// so a library thread that is still finishing while the process exits finds it intact.
struct ProcessState {
    std::mutex linkMutex;  // held while posting, so no call reaches a host FreeFtpDll let go
    std::shared_ptr<const HostLink> link;
    // Calls handed to the host and not run yet, by the number the host was given instead of a
    // pointer: ending the link frees what is left, and a call the host runs after that finds
    // nothing and does nothing.
    std::mutex callsMutex;
    std::uint64_t nextId = 1;
    std::map<std::uint64_t, PostedCall> calls;
    std::atomic<std::size_t> waitingForHost{0};
};

ProcessState& Process() {
    static ProcessState* const state = new ProcessState;
    return *state;
}

std::unique_ptr<PostedCall> TakeCall(std::uint64_t id) {
    auto& process = Process();
    std::lock_guard lock(process.callsMutex);
    const auto it = process.calls.find(id);
    if (it == process.calls.end()) return nullptr;
    auto posted = std::make_unique<PostedCall>(std::move(it->second));
    process.calls.erase(it);
    return posted;
}

// The host's side of a posted call; `arg` is the call's number.
void RunPostedCall(void* arg) {
    const auto posted = TakeCall(reinterpret_cast<std::uintptr_t>(arg));
    if (!posted) return;  // dropped with its host
    if (posted->waited) {
        std::lock_guard lock(posted->waited->mutex);
        if (posted->waited->state == HostCall::State::Cancelled) return;
        posted->waited->state = HostCall::State::Running;
    }
    posted->call(*posted->link);
    if (posted->waited) posted->waited->Set(HostCall::State::Done);
}

bool PostCallToHost(std::function<void(const HostLink&)> call, std::shared_ptr<HostCall> waited) {
    auto& process = Process();
    std::lock_guard lock(process.linkMutex);
    const auto& link = process.link;
    if (!link || !link->host.post) return false;
    std::uintptr_t id;
    {
        std::lock_guard callsLock(process.callsMutex);
        id = static_cast<std::uintptr_t>(process.nextId++);
        process.calls.emplace(id, PostedCall{std::move(call), link, std::move(waited)});
    }
    link->host.post(link->host.context, &RunPostedCall, reinterpret_cast<void*>(id));
    return true;
}

void CallWindowProc(const HostLink& link, int type, const void* record) {
    if (link.host.window_proc)
        link.host.window_proc(link.host.context, link.message, type & 0xFF, record);
}

}  // namespace

std::shared_ptr<const HostLink> CurrentLink() {
    auto& process = Process();
    std::lock_guard lock(process.linkMutex);
    return process.link;
}

void SetLink(std::shared_ptr<const HostLink> link) {
    auto& process = Process();
    {
        std::lock_guard lock(process.linkMutex);
        process.link = std::move(link);
    }
    std::map<std::uint64_t, PostedCall> dropped;
    {
        std::lock_guard lock(process.callsMutex);
        dropped.swap(process.calls);
    }
    for (auto& [id, posted] : dropped)
        if (posted.waited) posted.waited->Cancel();
}

void PostToHost(std::function<void(const HostLink&)> call) {
    PostCallToHost(std::move(call), nullptr);
}

void NotifyHere(int type, const void* record) {
    if (const auto link = CurrentLink()) CallWindowProc(*link, type, record);
}

void LogToHost(const std::string& line) {
    auto& process = Process();
    // Under the link's lock, like a post: no line reaches a host that FreeFtpDll let go.
    std::lock_guard lock(process.linkMutex);
    const auto& link = process.link;
    if (link && link->host.log)
        link->host.log(link->host.context, line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

std::size_t ThreadsWaitingForHost() {
    return Process().waitingForHost;
}

void PendingNotice::CancelCall::operator()() const {
    call->Cancel();
}

bool PendingNotice::Await() {
    if (!pending_) return true;
    const auto call = std::move(pending_);
    std::unique_lock lock(call->mutex);
    const auto handled = [&] {
        return call->state == HostCall::State::Done || call->state == HostCall::State::Cancelled;
    };
    if (!handled()) {
        ++Process().waitingForHost;
        call->cv.wait(lock, stop_, handled);
        --Process().waitingForHost;
    }
    if (call->state == HostCall::State::Pending) call->state = HostCall::State::Cancelled;
    lock.unlock();
    cancelOnStop_.reset();
    return !stop_.stop_requested();
}

bool PendingNotice::PostCall(std::function<void(const HostLink&)> call) {
    if (!Await() || stop_.stop_requested()) return false;
    auto waited = std::make_shared<HostCall>();
    if (!PostCallToHost(std::move(call), waited)) return false;
    cancelOnStop_.emplace(stop_, CancelCall{waited});
    pending_ = std::move(waited);
    return true;
}

bool PendingNotice::Post(int type, const void* record, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return PostCall([type, copy = std::vector<std::uint8_t>(bytes, bytes + size)](
                        const HostLink& link) { CallWindowProc(link, type, copy.data()); });
}

bool PendingNotice::Deliver(int type, const void* record, std::size_t size) {
    return Post(type, record, size) && Await();
}

bool PendingNotice::DeliverIf(int type, const void* record, std::size_t size,
                              std::function<bool()> stillTrue) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return PostCall([type, copy = std::vector<std::uint8_t>(bytes, bytes + size),
                     stillTrue = std::move(stillTrue)](const HostLink& link) {
               if (stillTrue()) CallWindowProc(link, type, copy.data());
           }) &&
           Await();
}

bool PendingNotice::ShowBox(std::string text, std::string caption, int icon) {
    return PostCall([text = std::move(text), caption = std::move(caption),
                     icon](const HostLink& link) {
               if (link.host.message_box)
                   link.host.message_box(link.host.context, text.c_str(), caption.c_str(), icon);
           }) &&
           Await();
}

}  // namespace tessnet
