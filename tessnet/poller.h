// Socket readiness for every connection: one epoll thread that receives the bytes into each
// connection's inbound queue and wakes its reader, as the socket window did.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "unique_fd.h"

namespace tessnet {

class Connection;

class Poller {
  public:
    Poller();
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    bool ok() const { return epoll_.valid() && wake_.valid(); }
    std::uint64_t NewId() { return nextId_++; }
    // Watches `fd` for reading on behalf of `connection`, under an id from NewId; false when
    // epoll refuses it.
    bool Add(int fd, const std::shared_ptr<Connection>& connection, std::uint64_t id);
    void Remove(int fd, std::uint64_t id);
    // Each readiness is reported once; the connection asks for the next one when it wants
    // more bytes. A removed id is left alone (its descriptor number may be reused).
    void Rearm(int fd, std::uint64_t id);
    // Ends the thread; the object stays usable for Remove.
    void Stop();

  private:
    void Run();

    UniqueFd epoll_;
    UniqueFd wake_;
    std::mutex mutex_;
    std::unordered_map<std::uint64_t, std::weak_ptr<Connection>> watched_;
    std::atomic<std::uint64_t> nextId_{1};
    std::thread thread_;
};

// The process's poller, created by the first InitFtpDll and ended by FreeFtpDll.
std::shared_ptr<Poller> CurrentPoller();
std::shared_ptr<Poller> StartPoller();  // existing or new
void StopPoller();

}  // namespace tessnet
