#include "core/login/logincontroller.h"

#include "core/base/diagnostics.h"
#include "core/base/messageboxes.h"
#include "core/library/library.h"
#include "core/login/serverlist.h"
#include "core/session/clientsession.h"

namespace tessan {

namespace {
const QString kUpgradeMarker = QStringLiteral("-1025");
}  // namespace

LoginController::LoginController(ClientSession& session, LoginView& view, StartProgram startProgram,
                                 const TimerFactory& timers)
    : session_(session),
      view_(view),
      startProgram_(std::move(startProgram)),
      remembered_(session.AppDir()),
      verdictTimer_(timers([this] { VerdictOverdue(); })) {}

void LoginController::SetUp() {
    remembered_.LoadRememberedLogins(view_);
}

void LoginController::Login() {
    Library& library = session_.Lib();
    MessageBoxes& boxes = session_.Boxes();
    // The previous login's connection goes first, whatever the new attempt turns out to be.
    if (!session_.CurrentAccount().IsEmpty())
        library.DisconnectServer(session_.CurrentAccount().Bytes());
    session_.SetCurrentLogin(view_.NumberText().left(kMaxInput), view_.KeyText().left(kMaxInput));
    const AccountText& account = session_.CurrentAccount();
    if (account.IsEmpty()) {
        boxes.Tell(QStringLiteral("请输入登录Tessan号码!"));
        view_.FocusNumber();
        return;
    }
    if (session_.CurrentPrivateKey().IsEmpty()) {
        boxes.Tell(QStringLiteral("请输入私钥!"));
        view_.FocusKey();
        return;
    }
    QByteArray address;
    int port = kDefaultServerPort;
    if (ResolveServer(session_.AppDir(), account.CStr(), address, port) != 1) {
        boxes.Tell(QStringLiteral("无效格式的Tessan号码!参考格式:0086-512-1234567!"));
        return;
    }
    library.DisconnectServer(account.Bytes());
    view_.SetLoginEnabled(false);
    view_.SetConnecting(true);
    const int result =
        library.ConnectServer(address, port, account.Bytes(), session_.CurrentPrivateKey().Bytes());
    view_.SetConnecting(false);
    if (result == 1) {
        // The verdict arrives as a notification, unless the server never answers.
        verdictTimer_->Start(kVerdictTimeoutMs);
        return;
    }
    qCInfo(lcLogin) << "connection to" << address << port << "failed:" << result;
    view_.SetLoginEnabled(true);
    boxes.Tell(QStringLiteral("不能连接到服务器IP:%1,端口:%2!%3")
                   .arg(QString::fromLatin1(address))
                   .arg(port)
                   .arg(result));
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
        session_.Boxes().Tell(text);
}

void LoginController::OnConnectionLost() {
    verdictTimer_->Stop();
    view_.SetLoginEnabled(true);
}

void LoginController::VerdictOverdue() {
    verdictTimer_->Stop();
    const QByteArray account = session_.CurrentAccount().Bytes();
    qCWarning(lcLogin) << "no answer to the login of" << account << "within 30 s";
    // Its verdict, should it still come, no longer concerns anyone.
    session_.Lib().DisconnectServer(account);
    view_.SetLoginEnabled(true);
    session_.Boxes().Tell(QStringLiteral("服务器在30秒内没有回答登录请求，请稍后再试!"));
}

void LoginController::Upgrade(const QString& replyText) {
    const QString rest = replyText.mid(replyText.indexOf(kUpgradeMarker) + kUpgradeMarker.size());
    if (!session_.Boxes().AskYesNo(rest + QStringLiteral("\r\n\tTessan系统现在将进行升级!"),
                                   QStringLiteral("升级版本")))
        return;
    view_.CloseAllForUpgrade();
    startProgram_(session_.LocalPath(u"Renovator"));
}

void LoginController::ClearRemembered() {
    remembered_.ClearRememberedLogins(view_);
}

}  // namespace tessan
