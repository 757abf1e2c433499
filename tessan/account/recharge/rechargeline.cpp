#include "account/recharge/rechargeline.h"

#include "core/login/loginstate.h"

namespace tessan {

RechargeLine::RechargeLine(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                           QObject* parent)
    : QObject(parent), session_(session), connections_(connections), boxes_(boxes) {}

RechargeLine::~RechargeLine() {
    connections_.DisconnectAll(*this);
}

int RechargeLine::Open(const QByteArray& address, int port, const QByteArray& number) {
    Close();
    const int result = connections_.ConnectPlain(*this, address, port, number);
    if (result == 1) number_ = number;
    return result;
}

int RechargeLine::Send(const QByteArray& payload, int command) {
    if (!connections_.Owns(*this, number_)) return -1;
    return connections_.Lib().SendData(number_, payload, command);
}

void RechargeLine::Close() {
    connections_.Disconnect(*this, std::exchange(number_, {}));
}

bool RechargeLine::Notified(const Notification& n) {
    const Reply* reply = n.reply();
    if (!reply) return false;
    if (n.type == note::kCardAnswer) {
        emit cardAnswer(*reply);
        return true;
    }
    if (n.type != note::kNotice && n.type != note::kServerNotice) return false;
    // The verdict on the request: the line has done its work.
    ShowServerNotice(session_, boxes_, *reply);
    Close();
    return true;
}

void RechargeLine::ConnectionLost(const QByteArray&) {
    number_.clear();
    emit lost();
}

}  // namespace tessan
