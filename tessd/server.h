// The listening server: accepts clients on one address and serves each on its own thread with a
// Session over the shared Store.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
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
    using Clock = std::chrono::steady_clock;

    std::string host = "127.0.0.1";
    std::uint16_t port = 8800;  // 0 picks a free port
    ServerHooks hooks;
    RemoteLookup remoteLookup;
    // Connections without a login cannot keep others out: each address holds at most its share
    // of the slots, a connection that has not logged in within the time limit is closed, and
    // when the slots are all taken a new connection replaces the oldest one without a login.
    std::size_t maxClients = 256;
    std::size_t maxClientsPerAddress = 64;
    Clock::duration loginTimeLimit = std::chrono::seconds(30);
    // A recharge connection waits without a login while its user types the card: once the
    // server has answered a card query for an existing account, it gets this long instead.
    Clock::duration cardEntryTimeLimit = std::chrono::minutes(10);
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
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
    // Closes the connections that have been without a login for longer than the time limit.
    // The accept loop calls it about once a second.
    void CloseIdleClients();

  private:
    struct Client {
        UniqueFd fd;
        std::string address;  // the peer's IP address
        std::string peer;     // address and port
        std::thread thread;
        std::atomic<bool> done{false};
        // Guarded by clientsMutex_.
        bool loggedIn = false;
        bool enteringCard = false;                 // a card query was answered for an account
        bool closing = false;                      // shut down by the server
        ServerOptions::Clock::time_point waiting;  // without a login since then
    };

    void AcceptLoop();
    void Serve(Client& client);
    void ReapFinished();
    // Makes room for a new connection from `address`; false with the reason when it must be
    // refused.
    bool AdmitLocked(const std::string& address, std::string& refusal);
    // Closes the connection without a login that has waited longest, among those from `address`
    // unless it is empty; false when there is none.
    bool CloseOldestWaitingLocked(const std::string& address);
    void CloseLocked(Client& client, const std::string& why);

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
