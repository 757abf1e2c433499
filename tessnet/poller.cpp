#include "poller.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <vector>

#include "connection.h"

namespace tessnet {

namespace {
constexpr std::uint64_t kWakeId = 0;
constexpr std::uint32_t kWatched = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
}  // namespace

Poller::Poller()
    : epoll_(epoll_create1(EPOLL_CLOEXEC)), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!ok()) return;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeId;
    epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, wake_.get(), &ev);
    thread_ = std::thread([this] { Run(); });
}

Poller::~Poller() {
    Stop();
}

void Poller::Stop() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_.get(), &one, sizeof one);
    thread_.join();
}

bool Poller::Add(int fd, const std::shared_ptr<Connection>& connection, std::uint64_t id) {
    std::lock_guard lock(mutex_);
    epoll_event ev{};
    ev.events = kWatched;
    ev.data.u64 = id;
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &ev) != 0) return false;
    watched_[id] = connection;
    return true;
}

void Poller::Rearm(int fd, std::uint64_t id) {
    std::lock_guard lock(mutex_);
    if (!watched_.contains(id)) return;
    epoll_event ev{};
    ev.events = kWatched;
    ev.data.u64 = id;
    epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, fd, &ev);
}

void Poller::Remove(int fd, std::uint64_t id) {
    std::lock_guard lock(mutex_);
    if (watched_.erase(id) > 0) epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
}

void Poller::Run() {
    std::vector<epoll_event> events(64);
    for (;;) {
        const int n = epoll_wait(epoll_.get(), events.data(), static_cast<int>(events.size()), -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u64 == kWakeId) return;
            std::shared_ptr<Connection> connection;
            {
                std::lock_guard lock(mutex_);
                auto it = watched_.find(events[i].data.u64);
                if (it != watched_.end()) connection = it->second.lock();
            }
            if (connection) connection->OnReadable();
        }
    }
}

namespace {
std::mutex& PollerMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<Poller>& PollerStorage() {
    static std::shared_ptr<Poller> poller;
    return poller;
}
}  // namespace

std::shared_ptr<Poller> CurrentPoller() {
    std::lock_guard lock(PollerMutex());
    return PollerStorage();
}

std::shared_ptr<Poller> StartPoller() {
    std::lock_guard lock(PollerMutex());
    if (!PollerStorage()) PollerStorage() = std::make_shared<Poller>();
    return PollerStorage();
}

void StopPoller() {
    std::shared_ptr<Poller> poller;
    {
        std::lock_guard lock(PollerMutex());
        poller = std::move(PollerStorage());
    }
    if (poller) poller->Stop();
}

}  // namespace tessnet
