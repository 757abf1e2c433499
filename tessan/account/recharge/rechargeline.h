// RechargeLine: the recharge's connection to the server of the number being recharged, a plain
// one (no login). The recharge dialog opens it and asks through it; the line outlives the dialog,
// since the server's verdict on a request that was sent comes later, as a notice: the line shows
// it and closes. One at a time.
#pragma once

#include "core/library/connections.h"

#include <QObject>

namespace tessan {

class ClientSession;
class ServerBoxes;

class RechargeLine final : public QObject, public ConnectionOwner {
    Q_OBJECT
  public:
    // Everything must outlive the line.
    RechargeLine(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                 QObject* parent = nullptr);
    ~RechargeLine() override;

    // A new connection under `number`; the line's earlier one goes first. The library's result.
    int Open(const QByteArray& address, int port, const QByteArray& number);
    // A request on the open connection: the library's result.
    int Send(const QByteArray& payload, int command);
    void Close();

    bool Notified(const Notification& n) override;
    void ConnectionLost(const QByteArray& account) override;

  signals:
    // Type 41: the server's answer to a query.
    void cardAnswer(const tessan::Reply& reply);
    // The connection went: lost, or it could not be opened.
    void lost();

  private:
    ClientSession& session_;
    Connections& connections_;
    ServerBoxes& boxes_;
    QByteArray number_;
};

}  // namespace tessan
