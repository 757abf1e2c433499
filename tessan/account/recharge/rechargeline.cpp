#include "account/recharge/rechargeline.h"

#include "core/login/loginstate.h"
#include "core/session/clientsession.h"

namespace tessan {

RechargeLine::RechargeLine(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                           LoginState& login, const TimerFactory& timers, QObject* parent)
    : QObject(parent),
      session_(session),
      connections_(connections),
      boxes_(boxes),
      login_(login),
      verdict_(timers([this] { NoVerdict(); })) {}

RechargeLine::~RechargeLine() {
    connections_.DisconnectAll(*this);
}

bool RechargeLine::InterruptsLogin(const QByteArray& number) const {
    return login_.Holds(number);
}

int RechargeLine::Open(const QByteArray& address, int port, const QByteArray& number) {
    connections_.Disconnect(*this, std::exchange(number_, {}));
    verdict_->Stop();
    if (login_.Holds(number)) {
        login_.Interrupt();
        interrupted_ = true;
    }
    const int result = connections_.ConnectPlain(*this, address, port, number);
    if (result == 1)
        number_ = number;
    else
        Done();
    return result;
}

void RechargeLine::AwaitVerdict() {
    verdict_->Start(kVerdictMs);
}

void RechargeLine::NoVerdict() {
    verdict_->Stop();
    session_.ShowNotice(QStringLiteral("服务器没有回答充值请求，请稍后查看帐号是否已经升级!"),
                        true);
    Close();
}

void RechargeLine::Done() {
    if (std::exchange(interrupted_, false)) login_.Resume();
}

int RechargeLine::Send(const QByteArray& payload, int command) {
    if (!connections_.Owns(*this, number_)) return -1;
    return connections_.Lib().SendData(number_, payload, command);
}

void RechargeLine::Close() {
    verdict_->Stop();
    connections_.Disconnect(*this, std::exchange(number_, {}));
    Done();
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
    verdict_->Stop();
    number_.clear();
    emit lost();
    Done();
}

}  // namespace tessan
