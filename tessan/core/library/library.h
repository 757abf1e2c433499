// The client's one seam to the transfer library. Pages and dialogs call these instead of the C
// exports; the program passes TessnetLibrary, tests a FakeLibrary that records every call.
// Texts are GBK bytes (account numbers, keys, stored names), local paths are QStrings.
// Server addresses are numeric (IPv4 or IPv6): host names are looked up before (ServerLookup).
// Results are the library's: 1 success, 0 connection or argument failure, -1 no connection for
// the account or upload refused, -2 packet too large.
#pragma once

#include "core/library/notifications.h"
#include "core/records/friendrecord.h"
#include "core/records/userprofile.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace tessan {

class Library {
  public:
    // Receives every notification on the UI thread while the library thread waits.
    using Sink = std::function<void(const Notification&)>;

    virtual ~Library() = default;

    // Delivery of notifications starts with Init and ends with Free.
    virtual int Init(const QString& downloadFolder, Sink sink) = 0;
    virtual int Free() = 0;

    // Connects and logs in under `account` with `password`; an existing connection for the
    // account is reused.
    virtual int ConnectServer(const QByteArray& address, int port, const QByteArray& account,
                              const QByteArray& password) = 0;
    // A connection without login (registration and recharge requests): always a new one, kept
    // under `account` beside any other connection of that number.
    virtual int ConnectPlain(const QByteArray& address, int port, const QByteArray& account) = 0;
    virtual int DisconnectServer(const QByteArray& account) = 0;
    virtual int UploadFile(const QByteArray& sender, const QByteArray& account,
                           const QString& localPath) = 0;
    virtual int DownLoad(const QByteArray& account, const QByteArray& storedName) = 0;
    virtual int DelFile(const QByteArray& account, const QByteArray& storedName) = 0;
    virtual int ListFile(const QByteArray& account) = 0;
    virtual int Confirm(const QByteArray& account, const QByteArray& storedName, bool goAhead) = 0;
    virtual int RegisterUser(const QByteArray& address, int port, const UserProfile& profile) = 0;
    virtual int ModifyUser(const UserProfile& profile) = 0;
    virtual int AddFriend(const QByteArray& account, const FriendRecord& entry) = 0;
    virtual int DelFriend(const QByteArray& account, const QByteArray& friendAccount) = 0;
    virtual int ModifyFriend(const QByteArray& account, const FriendRecord& entry) = 0;
    virtual int DownLoadIni(const QByteArray& account, const QByteArray& configName) = 0;
    // A request of its own: `payload` as the body of a packet with `command`.
    virtual int SendData(const QByteArray& account, const QByteArray& payload, int command) = 0;
};

}  // namespace tessan
