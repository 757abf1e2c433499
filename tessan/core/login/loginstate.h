// LoginState: the own login and the owner of its connection. It opens and closes that connection
// for the login dialog and runs what the server's answers on it mean for the login as a whole:
// the sequence around the login dialog that a login result starts, the own profile (stored, the
// window's title), the server's notices and the loss of the connection. Every other reply on the
// own connection goes to its hub, where the pages subscribe.
#pragma once

#include "core/library/connections.h"
#include "core/library/notificationhub.h"
#include "core/records/userprofile.h"

#include <QObject>

namespace tessan {

class ClientSession;
class ServerBoxes;

class LoginState final : public QObject, public ConnectionOwner {
    Q_OBJECT
  public:
    // Everything must outlive the login.
    LoginState(ClientSession& session, Connections& connections, ServerBoxes& boxes,
               QObject* parent = nullptr);
    ~LoginState() override;

    // The replies on the own connection that the login does not handle itself.
    NotificationHub& Notifications() { return hub_; }

    // Opens the own connection for the session's current login at `address` (numeric) and
    // `port`; the verdict comes as ownLoginResult, or ownConnectFailed. The library's result.
    int Connect(const QByteArray& address, int port);
    // Closes the own connection, if there is one.
    void Disconnect();
    // True while the own connection runs under `account` (the login's verdict may be pending).
    bool Holds(QByteArrayView account) const { return !account_.isEmpty() && account_ == account; }
    // Closes the own connection for a while (a recharge of the own account needs its number),
    // without a word to the pages; Resume logs the same account in again where it was. Nothing
    // without an own connection.
    void Interrupt();
    // The login again after Interrupt: the login sequence runs as for any login, except that the
    // notices stay and the login dialog hears nothing (it did not ask). Nothing without an
    // Interrupt before; a new login or Disconnect forgets it.
    void Resume();

    bool Notified(const Notification& n) override;
    void ConnectionLost(const QByteArray& account) override;

  signals:
    // Type 1, in this order: the notice is shown, then (accepted only) ownLoginAccepted,
    // loginResetBeforeDialog (address book, friend list), ownLoginResult (the login dialog),
    // loginResetAfterDialog (transfer list, received files).
    void ownLoginAccepted();
    void loginResetBeforeDialog();
    void ownLoginResult(const tessan::Reply& reply);
    void loginResetAfterDialog();
    // Type 32: before the session stores the profile (the address book; OwnProfile and OwnQuota
    // still hold the previous one). After storing, the session emits ownProfileChanged (the
    // settings sheet), then titleChanged follows.
    void ownProfileArriving(const tessan::UserProfile& profile);
    void titleChanged(const QString& title);
    // The own connection went before the server's verdict: it could not be opened (the login
    // dialog says so).
    void ownConnectFailed();
    // The own connection went after an accepted login, after its notice (the main window opens
    // the login dialog again).
    void ownConnectionLost();
    // The own connection closed, whatever the reason (a new attempt, an interruption, a loss):
    // requests sent on it will not be answered.
    void ownConnectionClosed();

  private:
    void LoginResult(const Reply& reply);
    void OwnProfileArrived(const Reply& reply);

    ClientSession& session_;
    Connections& connections_;
    ServerBoxes& boxes_;
    NotificationHub hub_;
    QByteArray account_;  // the own connection's, while it is open
    bool awaitingVerdict_ = false;
    // Where the own connection went (numeric address and port), for a login again.
    QByteArray address_;
    int port_ = 0;
    bool interrupted_ = false;
    bool resuming_ = false;
};

// A server's notice (37, 39) on a connection of the client: the notice panel, and a message box
// as well when its status is 0 (one at a time, a repeat not shown again).
void ShowServerNotice(ClientSession& session, ServerBoxes& boxes, const Reply& reply);

}  // namespace tessan
