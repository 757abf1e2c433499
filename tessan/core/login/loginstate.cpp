#include "core/login/loginstate.h"

#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/base/serverboxes.h"
#include "core/base/version.h"
#include "core/records/usertype.h"
#include "core/session/clientsession.h"

#include <algorithm>

namespace tessan {

LoginState::LoginState(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                       QObject* parent)
    : QObject(parent), session_(session), connections_(connections), boxes_(boxes) {}

LoginState::~LoginState() {
    connections_.DisconnectAll(*this);
}

int LoginState::Connect(const QByteArray& address, int port) {
    Disconnect();
    const QByteArray account = session_.CurrentAccount().Bytes();
    const int result =
        connections_.Connect(*this, address, port, account, session_.CurrentPrivateKey().Bytes());
    if (result == 1) {
        account_ = account;
        awaitingVerdict_ = true;
        address_ = address;
        port_ = port;
    }
    return result;
}

void LoginState::Disconnect() {
    const QByteArray account = std::exchange(account_, {});
    connections_.Disconnect(*this, account);
    awaitingVerdict_ = false;
    interrupted_ = false;
    resuming_ = false;
    if (!account.isEmpty()) emit ownConnectionClosed();
}

void LoginState::Interrupt() {
    if (account_.isEmpty()) return;
    Disconnect();
    interrupted_ = true;
}

void LoginState::Resume() {
    if (!std::exchange(interrupted_, false)) return;
    if (Connect(address_, port_) == 1) {
        resuming_ = true;
        return;
    }
    qCWarning(lcLogin) << "the login could not be opened again at" << address_ << port_;
    session_.ShowNotice(QStringLiteral("断开与服务器的连接，请重新登录!"), true);
    emit ownConnectionLost();
}

bool LoginState::Notified(const Notification& n) {
    // After an upload to the own space: the connection stays.
    if (n.type == note::kQueueEmpty) return true;
    if (const Reply* reply = n.reply()) {
        switch (n.type) {
            case note::kLogin:
                LoginResult(*reply);
                return true;
            case note::kOwnProfile:
                OwnProfileArrived(*reply);
                return true;
            case note::kServerNotice:
            case note::kNotice:
                ShowServerNotice(session_, boxes_, *reply);
                return true;
        }
    }
    if (hub_.Dispatch(n)) return true;
    session_.ShowNotice(QStringLiteral("无法识别的消息类型:%1\r\n").arg(n.type), true);
    return false;
}

void LoginState::LoginResult(const Reply& reply) {
    awaitingVerdict_ = false;
    // A login again after an interruption: what the notices said meanwhile (the recharge's
    // verdict) stays, and no login dialog waits for it.
    const bool resumed = std::exchange(resuming_, false);
    if (!resumed) session_.ClearNotices();
    session_.ShowNotice(reply.TextAt(0), reply.status == 0);
    if (reply.status == 1) emit ownLoginAccepted();
    emit loginResetBeforeDialog();
    if (!resumed) emit ownLoginResult(reply);
    emit loginResetAfterDialog();
}

void LoginState::OwnProfileArrived(const Reply& reply) {
    const auto bytes = reinterpret_cast<const std::uint8_t*>(reply.data.constData());
    const std::optional<UserProfile> profile = UserProfile::FromBytes(
        std::span(bytes, std::min<std::size_t>(UserProfile::kSize, reply.data.size())));
    if (!profile) {
        qCWarning(lcNotifications, "own profile shorter than a profile record, dropped");
        return;
    }
    QString label = UserTypeLabel(profile->UserType());
    const qsizetype bracket = label.indexOf(QLatin1Char('['));
    if (bracket >= 0) label.truncate(bracket);
    emit ownProfileArriving(*profile);
    session_.StoreOwnProfile(*profile);
    emit titleChanged(QStringLiteral("Tessan v" TESSAN_VERSION "  %1 %2  ")
                          .arg(label, GbkToQString(reply.account)));
}

void LoginState::ConnectionLost(const QByteArray&) {
    account_.clear();
    emit ownConnectionClosed();
    // A login again that cannot be opened is a login lost: no dialog waits for it.
    const bool resumed = std::exchange(resuming_, false);
    if (std::exchange(awaitingVerdict_, false) && !resumed) {
        emit ownConnectFailed();
        return;
    }
    session_.ShowNotice(QStringLiteral("断开与服务器的连接，请重新登录!"), true);
    emit ownConnectionLost();
}

void ShowServerNotice(ClientSession& session, ServerBoxes& boxes, const Reply& reply) {
    const QString text = reply.TextAt(TESS_NOTICE_OFF_TEXT);
    session.ShowNotice(text, reply.status == 0);
    if (reply.status == 0)
        boxes.Show({text, QString(), MessageBoxes::Icon::None, MessageBoxes::Buttons::OkCancel,
                    MessageBoxes::Answer::Ok});
}

}  // namespace tessan
