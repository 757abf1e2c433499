#include "core/login/logincontroller.h"

#include "core/base/diagnostics.h"
#include "core/base/messageboxes.h"
#include "core/login/loginstate.h"
#include "core/login/serverlist.h"
#include "core/login/serverlookup.h"
#include "core/session/clientsession.h"

namespace tessan {

namespace {
const QString kUpgradeMarker = QStringLiteral("-1025");
}  // namespace

const QString LoginController::kNoUpdaterText =
    QStringLiteral("这份Tessan由系统的软件包安装，请用软件包管理器升级Tessan。");
const QString LoginController::kUpdaterMissingText =
    QStringLiteral("无法启动升级程序%1，请重新安装Tessan。");

LoginController::LoginController(ClientSession& session, LoginState& login, MessageBoxes& boxes,
                                 HostResolver& resolver, LoginView& view, StartProgram startProgram,
                                 const TimerFactory& timers)
    : session_(session),
      login_(login),
      boxes_(boxes),
      view_(view),
      startProgram_(std::move(startProgram)),
      remembered_(session.AppDir()),
      verdictTimer_(timers([this] { VerdictOverdue(); })),
      lookup_(std::make_unique<ServerLookup>(resolver)) {}

LoginController::~LoginController() = default;

void LoginController::SetUp() {
    remembered_.Load();
    view_.ShowRemembered(remembered_);
}

void LoginController::Login() {
    // A second attempt: the first one's lookup, if still under way, no longer counts.
    Cancel();
    // The previous login's connection goes first, whatever the new attempt turns out to be.
    login_.Disconnect();
    session_.SetCurrentLogin(view_.NumberText().left(kMaxInput), view_.KeyText().left(kMaxInput));
    const AccountText& account = session_.CurrentAccount();
    if (account.IsEmpty()) {
        boxes_.Tell(QStringLiteral("请输入登录Tessan号码!"));
        view_.FocusNumber();
        return;
    }
    if (session_.CurrentPrivateKey().IsEmpty()) {
        boxes_.Tell(QStringLiteral("请输入私钥!"));
        view_.FocusKey();
        return;
    }
    QByteArray server;
    int port = kDefaultServerPort;
    if (ResolveServer(session_.AppDir(), account.CStr(), server, port) != 1) {
        boxes_.Tell(QStringLiteral("无效格式的Tessan号码!参考格式:0086-512-1234567!"));
        return;
    }
    view_.SetLoginEnabled(false);
    view_.SetConnecting(true);
    // A host name is looked up in the background; whatever an earlier attempt's lookup finds is
    // stale from here on.
    lookup_->Find(
        server, [this, server, port](const LookupResult& found) { Connect(server, port, found); });
}

void LoginController::Connect(const QByteArray& server, int port, const LookupResult& found) {
    if (!found.Found()) {
        view_.SetConnecting(false);
        view_.SetLoginEnabled(true);
        boxes_.Tell(LookupFailureText(server, found.error) +
                    QStringLiteral("，请检查serverlist.ini和网络连接!"));
        return;
    }
    server_ = server;
    port_ = port;
    const int result = login_.Connect(found.address, port);
    view_.SetConnecting(false);
    if (result != 1) return ConnectFailed(server, port, result);
    // The verdict arrives as a notification, unless the server never answers.
    verdictTimer_->Start(kVerdictTimeoutMs);
}

void LoginController::ConnectFailed(const QByteArray& server, int port, int result) {
    qCInfo(lcLogin) << "connection to" << server << port << "failed:" << result;
    verdictTimer_->Stop();
    view_.SetLoginEnabled(true);
    boxes_.Tell(QStringLiteral("不能连接到服务器IP:%1,端口:%2!%3")
                    .arg(QString::fromLatin1(server))
                    .arg(port)
                    .arg(result));
}

bool LoginController::LookingUp() const {
    return lookup_->Pending();
}

void LoginController::Cancel() {
    if (!lookup_->Pending()) return;
    lookup_->Cancel();
    view_.SetConnecting(false);
    view_.SetLoginEnabled(true);
}

void LoginController::OnLoginReply(const Reply& reply) {
    verdictTimer_->Stop();
    view_.SetLoginEnabled(true);
    if (reply.status == 1) {
        const RememberedLogin login(
            session_.CurrentAccount().Bytes(),
            view_.RememberKeyChecked() ? session_.CurrentPrivateKey().Bytes() : QByteArray());
        remembered_.SaveRememberedLogin(login);
        view_.Accept();
        return;
    }
    if (reply.status != 0) return;
    const QString text = reply.TextAt(0);
    if (text.contains(kUpgradeMarker))
        Upgrade(text);
    else
        boxes_.Tell(text);
}

void LoginController::OnConnectFailed() {
    ConnectFailed(server_, port_, 0);
}

void LoginController::VerdictOverdue() {
    verdictTimer_->Stop();
    const QByteArray account = session_.CurrentAccount().Bytes();
    qCWarning(lcLogin) << "no answer to the login of" << account << "within 30 s";
    // Its verdict, should it still come, no longer concerns anyone.
    login_.Disconnect();
    view_.SetLoginEnabled(true);
    boxes_.Tell(QStringLiteral("服务器在30秒内没有回答登录请求，请稍后再试!"));
}

void LoginController::Upgrade(const QString& replyText) {
    const QString rest = replyText.mid(replyText.indexOf(kUpgradeMarker) + kUpgradeMarker.size());
    const QString updater = session_.Updater();
    // Nothing to offer: the server's text and how this copy is upgraded instead.
    if (updater.isEmpty()) {
        boxes_.Tell(rest + QStringLiteral("\r\n") + kNoUpdaterText,
                    MessageBoxes::Icon::Information);
        return;
    }
    if (!boxes_.AskYesNo(rest + QStringLiteral("\r\n\tTessan系统现在将进行升级!"),
                         QStringLiteral("升级版本")))
        return;
    // Everything closes only once the updater runs: a client without one stays usable.
    if (!startProgram_(updater)) {
        qCWarning(lcLogin) << "the updater" << updater << "could not be started";
        boxes_.Tell(kUpdaterMissingText.arg(updater), MessageBoxes::Icon::Error);
        return;
    }
    view_.CloseAllForUpgrade();
}

void LoginController::ClearRemembered() {
    remembered_.Clear();
    view_.ShowRemembered(remembered_);
}

}  // namespace tessan
