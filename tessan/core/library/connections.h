// Connections: every connection the client opens, and who opened it. The library keys its
// connections by account number; the client keeps at most one per number, so a number names one
// owner: the own login, the transfer queue (a friend's server, per recipient), the registration
// (under the empty number) or the recharge. Every notification goes to the owner of the
// connection it came on; one on a connection nobody owns, or of a type its owner does not
// expect, is written to the diagnostics with the account and dropped. A connection that was lost
// or could not be opened (42) is reported to its owner.
//
// An owner opening a number another owner holds takes it over: the holder's connection is closed
// and the holder hears ConnectionLost at once, from inside the new owner's call (so a holder does
// not open that number again from there).
#pragma once

#include "core/library/library.h"

#include <QByteArray>

#include <map>

namespace tessan {

class ConnectionOwner {
  public:
    // A notification on one of the owner's connections, while the library thread waits: the
    // owner may call the library, even close that connection. False when it does not expect the
    // type.
    virtual bool Notified(const Notification& n) = 0;
    // The connection under `account` went without the owner closing it: lost, or never opened.
    virtual void ConnectionLost(const QByteArray& account) = 0;

  protected:
    ~ConnectionOwner() = default;
};

class Connections final {
  public:
    // `library` must outlive this.
    explicit Connections(Library& library);
    ~Connections();
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;

    // Starts the library downloading into `downloadFolder` (created, readable by the user only);
    // from here on notifications reach their owners. False when the library refused to start.
    bool Start(const QString& downloadFolder);
    // Ends the library: every connection closes without a word to its owner. Safe to repeat.
    void Stop();

    // Requests on an open connection (ListFile, UploadFile, ...) go to the library directly.
    Library& Lib() { return library_; }

    // Opens a connection for `owner` and logs in under `account` with `password`. A connection
    // the owner already has there is reused.
    int Connect(ConnectionOwner& owner, const QByteArray& address, int port,
                const QByteArray& account, const QByteArray& password);
    // A new connection without login under `account` (the recharge); any earlier one goes.
    int ConnectPlain(ConnectionOwner& owner, const QByteArray& address, int port,
                     const QByteArray& account);
    // A new connection under the empty number that asks to register `profile`.
    int Register(ConnectionOwner& owner, const QByteArray& address, int port,
                 const UserProfile& profile);
    // Closes `owner`'s connection under `account`; nothing when the owner has none there.
    void Disconnect(ConnectionOwner& owner, const QByteArray& account);
    // Every connection of `owner`: an owner that goes closes what it opened.
    void DisconnectAll(ConnectionOwner& owner);
    bool Owns(const ConnectionOwner& owner, const QByteArray& account) const;
    // Whether any owner has a connection under `account`.
    bool IsOpen(const QByteArray& account) const { return owners_.contains(account); }

    // The library's notifications, on the UI thread.
    void Dispatch(const Notification& n);

  private:
    // Makes room under `account` for `owner`: another owner's connection is closed and reported
    // lost; with `fresh`, also one of the owner's own.
    void Claim(ConnectionOwner& owner, const QByteArray& account, bool fresh);
    // Records `owner` under `account` when `result` says the connection was opened.
    int Opened(ConnectionOwner& owner, const QByteArray& account, int result);

    Library& library_;
    bool running_ = false;
    std::map<QByteArray, ConnectionOwner*> owners_;
};

}  // namespace tessan
