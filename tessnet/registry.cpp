#include "registry.h"

#include <algorithm>

#include "connection.h"

namespace tessnet {

std::shared_ptr<Connection> ConnectionRegistry::FindByAccount(std::string_view account) {
    account = account.substr(0, 31);
    std::lock_guard lock(mutex_);
    for (const auto& connection : connections_)
        if (connection->account() == account) return connection;
    return nullptr;
}

void ConnectionRegistry::Add(std::shared_ptr<Connection> connection) {
    std::lock_guard lock(mutex_);
    connections_.push_back(std::move(connection));
}

bool ConnectionRegistry::RemoveByAccount(std::string_view account, bool quiet) {
    const auto connection = FindByAccount(account);
    return connection && Remove(connection, quiet);
}

bool ConnectionRegistry::Remove(const std::shared_ptr<Connection>& connection, bool quiet) {
    {
        std::lock_guard lock(mutex_);
        if (std::find(connections_.begin(), connections_.end(), connection) == connections_.end())
            return false;
    }
    connection->Close(quiet);
    std::lock_guard lock(mutex_);
    std::erase(connections_, connection);
    return true;
}

ConnectionRegistry& Registry() {
    // Never destroyed: a library thread still finishing at process exit may look into it.
    static ConnectionRegistry* const registry = new ConnectionRegistry;
    return *registry;
}

void ConnectionRegistry::CloseAll() {
    std::vector<std::shared_ptr<Connection>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(connections_);
    }
    for (const auto& connection : all) connection->Close(true);
}

void RemoveEndedConnection(const std::shared_ptr<Connection>& connection) {
    // A connection that the library already closed (configuration download) stays registered.
    if (connection->SocketOpen()) Registry().Remove(connection, false);
}

}  // namespace tessnet
