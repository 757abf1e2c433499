#include "core/library/connections.h"

#include "core/base/diagnostics.h"
#include "core/startup/localfiles.h"

namespace tessan {

Connections::Connections(Library& library) : library_(library) {}

Connections::~Connections() {
    Stop();
}

bool Connections::Start(const QString& downloadFolder) {
    MakePrivateFolder(downloadFolder);
    running_ = library_.Init(downloadFolder, [this](const Notification& n) { Dispatch(n); }) == 1;
    if (!running_) qCCritical(lcNotifications) << "the library did not start";
    return running_;
}

void Connections::Stop() {
    owners_.clear();
    if (!std::exchange(running_, false)) return;
    library_.Free();
}

void Connections::Claim(ConnectionOwner& owner, const QByteArray& account, bool fresh) {
    const auto it = owners_.find(account);
    if (it == owners_.end() || (it->second == &owner && !fresh)) return;
    ConnectionOwner& holder = *it->second;
    owners_.erase(it);
    library_.DisconnectServer(account);
    if (&holder != &owner) holder.ConnectionLost(account);
}

int Connections::Opened(ConnectionOwner& owner, const QByteArray& account, int result) {
    // A failed attempt leaves no connection, not even one the owner had there before.
    if (result == 1)
        owners_[account] = &owner;
    else
        owners_.erase(account);
    return result;
}

int Connections::Connect(ConnectionOwner& owner, const QByteArray& address, int port,
                         const QByteArray& account, const QByteArray& password) {
    Claim(owner, account, false);
    return Opened(owner, account, library_.ConnectServer(address, port, account, password));
}

int Connections::ConnectPlain(ConnectionOwner& owner, const QByteArray& address, int port,
                              const QByteArray& account) {
    Claim(owner, account, true);
    return Opened(owner, account, library_.ConnectPlain(address, port, account));
}

int Connections::Register(ConnectionOwner& owner, const QByteArray& address, int port,
                          const UserProfile& profile) {
    Claim(owner, {}, true);
    return Opened(owner, {}, library_.RegisterUser(address, port, profile));
}

void Connections::Disconnect(ConnectionOwner& owner, const QByteArray& account) {
    const auto it = owners_.find(account);
    if (it == owners_.end() || it->second != &owner) return;
    owners_.erase(it);
    library_.DisconnectServer(account);
}

void Connections::DisconnectAll(ConnectionOwner& owner) {
    for (auto it = owners_.begin(); it != owners_.end();) {
        if (it->second != &owner) {
            ++it;
            continue;
        }
        const QByteArray account = it->first;
        it = owners_.erase(it);
        library_.DisconnectServer(account);
    }
}

bool Connections::Owns(const ConnectionOwner& owner, const QByteArray& account) const {
    const auto it = owners_.find(account);
    return it != owners_.end() && it->second == &owner;
}

void Connections::Dispatch(const Notification& n) {
    const QByteArray account = n.Account();
    const auto it = owners_.find(account);
    if (it == owners_.end()) {
        qCInfo(lcNotifications) << "type" << n.type << "for" << account
                                << "on no connection of the client's, dropped";
        return;
    }
    ConnectionOwner& owner = *it->second;
    if (n.type == note::kDisconnected) {
        owners_.erase(it);
        owner.ConnectionLost(account);
        return;
    }
    if (!owner.Notified(n))
        qCWarning(lcNotifications)
            << "type" << n.type << "not expected on the connection of" << account << ", dropped";
}

}  // namespace tessan
