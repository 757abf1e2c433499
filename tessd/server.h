// The listening server: accepts clients on one address and serves each on its own thread with a
// Session over the shared Store.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "fd.h"
#include "session.h"
#include "store.h"

namespace tessd {

struct ServerOptions {
    std::string host = "127.0.0.1";
    std::uint16_t port = 8800;  // 0 picks a free port
    ServerHooks hooks;
    RemoteKeyCheck remoteCheck;
    std::size_t maxClients = 256;
};

class Server {
  public:
    Server(Store& store, ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and starts accepting; false with a message in `error`.
    bool Start(std::string& error);
    // Stops accepting, closes every client connection and waits for the client threads.
    void Stop();
    std::uint16_t Port() const { return port_; }
    std::size_t ClientCount();

  private:
    struct Client {
        UniqueFd fd;
        std::string peer;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void AcceptLoop();
    void Serve(Client& client);
    void ReapFinished();

    Store& store_;
    ServerOptions options_;
    UniqueFd listenFd_;
    UniqueFd wakeRead_, wakeWrite_;  // wakes the accept loop on Stop
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex clientsMutex_;
    std::list<std::unique_ptr<Client>> clients_;
};

}  // namespace tessd
