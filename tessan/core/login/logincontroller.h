// The rules of the login dialog: checks the typed number and key, finds the account's server,
// opens the connection and reacts to the server's verdict (remember the login and close, show
// the refusal, or offer the upgrade and start the updater).
#pragma once

#include "core/base/timer.h"
#include "core/library/notifications.h"
#include "core/login/rememberedlogins.h"

#include <QString>

#include <functional>
#include <memory>

namespace tessan {

class ClientSession;
class HostResolver;
class LoginState;
class MessageBoxes;
class ServerLookup;
struct LookupResult;

// The dialog's controls and its window, as the rules see them.
class LoginView {
  public:
    virtual ~LoginView() = default;
    // Lists the remembered numbers in file order and shows the last used one with its key (when
    // it was remembered), or no number and no key.
    virtual void ShowRemembered(const RememberedLogins& logins) = 0;
    virtual QString NumberText() const = 0;
    virtual QString KeyText() const = 0;
    virtual bool RememberKeyChecked() const = 0;
    virtual void SetLoginEnabled(bool enabled) = 0;
    // While the server's name is looked up and the connection is being opened (up to the
    // library's bound of 10 s): a busy cursor; the disabled "登录" is shown before it starts.
    virtual void SetConnecting(bool connecting) = 0;
    virtual void FocusNumber() = 0;
    virtual void FocusKey() = 0;
    // Closes the dialog as confirmed.
    virtual void Accept() = 0;
    // Asks the dialog and the main window to close once the current event is handled; the main
    // window's close ends the library and the program.
    virtual void CloseAllForUpgrade() = 0;
};

class LoginController {
  public:
    // The number box and the key box take at most this many GBK bytes.
    static constexpr int kMaxInput = 30;
    // How long a connected server may take to answer the login.
    static constexpr int kVerdictTimeoutMs = 30000;
    using StartProgram = std::function<bool(const QString& path)>;
    // An accepted upgrade in a copy without an updater (an installed one), or with one that
    // cannot be started.
    static const QString kNoUpdaterText;
    static const QString kUpdaterMissingText;  // %1: the updater's path

    // Everything must outlive the controller. `timers` runs the wait for the verdict.
    LoginController(ClientSession& session, LoginState& login, MessageBoxes& boxes,
                    HostResolver& resolver, LoginView& view, StartProgram startProgram,
                    const TimerFactory& timers);
    ~LoginController();

    // The dialog's set-up: lists the remembered logins.
    void SetUp();
    // "登录". A server named by its host name is connected to once the name is found; the window
    // stays responsive meanwhile.
    void Login();
    // The dialog closes: a lookup under way is given up, its answer ignored.
    void Cancel();
    bool LookingUp() const;
    // The own login result.
    void OnLoginReply(const Reply& reply);
    // The own connection went before the verdict: it could not be opened.
    void OnConnectFailed();
    // "清除".
    void ClearRemembered();

    RememberedLogins& Remembered() { return remembered_; }

  private:
    void Connect(const QByteArray& server, int port, const LookupResult& found);
    // The connection to `server`:`port` could not be opened (`result`, 0 when it failed later).
    void ConnectFailed(const QByteArray& server, int port, int result);
    void Upgrade(const QString& replyText);
    // No verdict within kVerdictTimeoutMs.
    void VerdictOverdue();

    ClientSession& session_;
    LoginState& login_;
    MessageBoxes& boxes_;
    LoginView& view_;
    StartProgram startProgram_;
    RememberedLogins remembered_;
    std::unique_ptr<Timer> verdictTimer_;
    std::unique_ptr<ServerLookup> lookup_;
    // Where the connection that waits for the verdict went.
    QByteArray server_;
    int port_ = 0;
};

}  // namespace tessan
