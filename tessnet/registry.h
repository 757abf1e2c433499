// ConnectionRegistry: every connection of the process, in insertion order. It owns them: a
// removed connection is closed and let go (its threads may hold it a little longer).
#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace tessnet {

class Connection;

class ConnectionRegistry {
  public:
    std::shared_ptr<Connection> FindByAccount(std::string_view account);
    void Add(std::shared_ptr<Connection> connection);
    // Closes the first connection of that account (outside the lock, so the host may call
    // exports from the notice), then unlinks it. False when there was none.
    bool RemoveByAccount(std::string_view account, bool quiet);
    bool Remove(const std::shared_ptr<Connection>& connection, bool quiet);
    // Closes every connection quietly and forgets them (FreeFtpDll).
    void CloseAll();

  private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Connection>> connections_;
};

ConnectionRegistry& Registry();

// Host thread: this connection ended on its own (its connect failed or the server closed it):
// removed, and the host hears notice 42.
void RemoveEndedConnection(const std::shared_ptr<Connection>& connection);

}  // namespace tessnet
