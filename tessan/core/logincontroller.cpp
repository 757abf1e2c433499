#include "core/logincontroller.h"

#include "core/globals.h"
#include "core/localfiles.h"
#include "core/serverlist.h"

namespace tessan {

namespace {
const QString kUpgradeMarker = QStringLiteral("-1025");
}  // namespace

LoginController::LoginController(Library& library, MessageBoxes& boxes, QString appDir,
                                 LoginView& view, StartProgram startProgram)
    : library_(library),
      boxes_(boxes),
      appDir_(std::move(appDir)),
      view_(view),
      startProgram_(std::move(startProgram)),
      remembered_(appDir_) {}

void LoginController::SetUp() {
    remembered_.LoadRememberedLogins(view_);
}

void LoginController::Login() {
    // The previous login's connection goes first, whatever the new attempt turns out to be.
    if (!CurrentAccount.IsEmpty()) library_.DisconnectServer(CurrentAccount.Bytes());
    CurrentAccount.Clear();
    CurrentPrivateKey.Clear();
    CurrentAccount.SetText(view_.NumberText().left(kMaxInput));
    CurrentPrivateKey.SetText(view_.KeyText().left(kMaxInput));
    if (CurrentAccount.IsEmpty()) {
        boxes_.Tell(QStringLiteral("请输入登录Tessan号码!"));
        view_.FocusNumber();
        return;
    }
    if (CurrentPrivateKey.IsEmpty()) {
        boxes_.Tell(QStringLiteral("请输入私钥!"));
        view_.FocusKey();
        return;
    }
    QByteArray address;
    int port = kDefaultServerPort;
    if (ResolveServer(appDir_, CurrentAccount.CStr(), address, port) != 1) {
        boxes_.Tell(QStringLiteral("无效格式的Tessan号码!参考格式:0086-512-1234567!"));
        return;
    }
    library_.DisconnectServer(CurrentAccount.Bytes());
    view_.SetLoginEnabled(false);
    const int result =
        library_.ConnectServer(address, port, CurrentAccount.Bytes(), CurrentPrivateKey.Bytes());
    if (result == 1) return;  // the verdict arrives as a notification
    view_.SetLoginEnabled(true);
    boxes_.Tell(QStringLiteral("不能连接到服务器IP:%1,端口:%2!%3")
                    .arg(QString::fromLatin1(address))
                    .arg(port)
                    .arg(result));
}

void LoginController::OnLoginReply(const Reply& reply) {
    view_.SetLoginEnabled(true);
    if (reply.status == 1) {
        const RememberedLogin login(CurrentAccount.Bytes(), view_.RememberKeyChecked()
                                                                ? CurrentPrivateKey.Bytes()
                                                                : QByteArray());
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

void LoginController::OnConnectionLost() {
    view_.SetLoginEnabled(true);
}

void LoginController::Upgrade(const QString& replyText) {
    const QString rest = replyText.mid(replyText.indexOf(kUpgradeMarker) + kUpgradeMarker.size());
    if (!boxes_.AskYesNo(rest + QStringLiteral("\r\n\tTessan系统现在将进行升级!"),
                         QStringLiteral("升级版本")))
        return;
    view_.CloseAllForUpgrade();
    startProgram_(LocalPath(appDir_, u"Renovator"));
}

void LoginController::ClearRemembered() {
    remembered_.ClearRememberedLogins(view_);
}

}  // namespace tessan
