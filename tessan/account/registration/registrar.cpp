#include "account/registration/registrar.h"

#include "core/base/diagnostics.h"
#include "core/login/rememberedlogins.h"
#include "core/login/serverlist.h"

namespace tessan {

const QString Registrar::kHiddenKey = QStringLiteral("******");

Registrar::Registrar(Connections& connections, MessageBoxes& boxes, HostResolver& resolver,
                     QString appDir, ShowNotice showNotice, const TimerFactory& timers,
                     int answerTimeoutMs, QObject* parent)
    : QObject(parent),
      connections_(connections),
      boxes_(boxes),
      appDir_(std::move(appDir)),
      showNotice_(std::move(showNotice)),
      answerTimer_(timers([this] { NoAnswer(); })),
      answerTimeoutMs_(answerTimeoutMs),
      lookup_(std::make_unique<ServerLookup>(resolver)) {}

Registrar::~Registrar() {
    connections_.DisconnectAll(*this);
}

void Registrar::Begin() {
    profile_ = UserProfile();
}

bool Registrar::Submit() {
    const QByteArray number = profile_.RawText(UserProfile::Field::Number);
    QByteArray server;
    int port = kDefaultServerPort;
    if (ResolveServer(appDir_, number.constData(), server, port) != 1) {
        lookup_->Cancel();
        boxes_.Tell(
            QStringLiteral("无效格式的Tessan号码!参考格式(国家号.区号.号码):0086-123-1234567!"));
        return false;
    }
    // The profile as it is now: the wizard may open again and clear it while the name is looked up.
    sendFailed_ = false;
    lookup_->Find(server, [this, server, port, profile = profile_](const LookupResult& found) {
        Send(server, port, profile, found);
    });
    return !sendFailed_;
}

void Registrar::Send(const QByteArray& server, int port, const UserProfile& profile,
                     const LookupResult& found) {
    if (!found.Found()) {
        sendFailed_ = true;
        showNotice_(QStringLiteral("注册失败，") + LookupFailureText(server, found.error), true);
        return;
    }
    if (connections_.Register(*this, found.address, port, profile) != 1) {
        sendFailed_ = true;
        SendFailed(server, port);
        return;
    }
    server_ = server;
    port_ = port;
    sent_ = profile;
    answerTimer_->Start(answerTimeoutMs_);
}

void Registrar::SendFailed(const QByteArray& server, int port) {
    showNotice_(QStringLiteral("注册失败，无法连接到注册服务器%1:%2")
                    .arg(QString::fromLatin1(server))
                    .arg(port),
                true);
}

bool Registrar::Notified(const Notification& n) {
    if (n.type != note::kRegister || !n.reply()) return false;
    OnResult(*n.reply());
    return true;
}

void Registrar::ConnectionLost(const QByteArray&) {
    if (!sent_) return;
    answerTimer_->Stop();
    sent_.reset();
    SendFailed(server_, port_);
}

void Registrar::OnResult(const Reply& reply) {
    answerTimer_->Stop();
    // The verdict is all the connection was for.
    connections_.Disconnect(*this, {});
    if (!sent_) qCInfo(lcAccount, "registration result with no registration under way");
    if (reply.status == 0 || !sent_) {
        showNotice_(reply.TextAt(0), reply.status == 0);
        sent_.reset();
        return;
    }
    const UserProfile registered = *sent_;
    sent_.reset();
    emit accountRegistered(registered);
    showNotice_(QStringLiteral("新用户:%1注册成功!\r\n私钥:%2,公钥:%3!")
                    .arg(registered.Number(), kHiddenKey, registered.PublicKey()),
                false);
    if (reply.status != 1) return;
    // Read to find the record a save replaces.
    RememberedLogins remembered(appDir_);
    remembered.Load();
    if (!remembered.SaveRememberedLogin(
            RememberedLogin(registered.RawText(UserProfile::Field::Number),
                            registered.RawText(UserProfile::Field::PrivateKey)))) {
        qCWarning(lcAccount, "the new account's login could not be remembered");
        return;
    }
    emit loginRemembered();
}

void Registrar::NoAnswer() {
    answerTimer_->Stop();
    if (!sent_) return;
    qCWarning(lcAccount, "no registration result within %d ms", answerTimeoutMs_);
    // A verdict that comes later finds no connection: the registration is over.
    connections_.Disconnect(*this, {});
    sent_.reset();
    showNotice_(QStringLiteral("注册服务器没有应答，请稍后用新帐号登录试试，或者重新注册!"), true);
}

}  // namespace tessan
