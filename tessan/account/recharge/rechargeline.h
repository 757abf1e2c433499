// RechargeLine: the recharge's connection to the server of the number being recharged, a plain
// one (no login). The recharge dialog opens it and asks through it; the line outlives the dialog,
// since the server's verdict on a request that was sent comes later, as a notice: the line shows
// it and closes (or gives up after kVerdictMs). One at a time. The logged-in account's own number
// interrupts its login, which the line logs in again once it closes, whatever the outcome.
#pragma once

#include "core/base/timer.h"
#include "core/library/connections.h"

#include <QObject>

namespace tessan {

class ClientSession;
class LoginState;
class ServerBoxes;

class RechargeLine final : public QObject, public ConnectionOwner {
    Q_OBJECT
  public:
    // How long the verdict on a recharge request is awaited.
    static constexpr int kVerdictMs = 30000;

    // Everything must outlive the line. `timers` bound the wait for the verdict.
    RechargeLine(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                 LoginState& login, const TimerFactory& timers, QObject* parent = nullptr);
    ~RechargeLine() override;

    // True when opening `number` would interrupt the own login.
    bool InterruptsLogin(const QByteArray& number) const;
    // A new connection under `number`; the line's earlier one goes first. The library's result.
    int Open(const QByteArray& address, int port, const QByteArray& number);
    // A request on the open connection: the library's result.
    int Send(const QByteArray& payload, int command);
    // The recharge request went: its verdict is awaited on the line, kVerdictMs at most.
    void AwaitVerdict();
    void Close();

    bool Notified(const Notification& n) override;
    void ConnectionLost(const QByteArray& account) override;

  signals:
    // Type 41: the server's answer to a query.
    void cardAnswer(const tessan::Reply& reply);
    // The connection went: lost, or it could not be opened.
    void lost();

  private:
    // The line is done: an interrupted login goes on.
    void Done();
    void NoVerdict();

    ClientSession& session_;
    Connections& connections_;
    ServerBoxes& boxes_;
    LoginState& login_;
    std::unique_ptr<Timer> verdict_;
    QByteArray number_;
    bool interrupted_ = false;
};

}  // namespace tessan
