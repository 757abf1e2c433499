// Registration and recharge as the login dialog opens them: the registrar and the recharge line
// that outlive every login dialog (a verdict may come after its dialog closed), the wizard made
// once so that its pages keep what was typed, and one recharge dialog at a time.
#pragma once

#include "account/recharge/rechargeline.h"
#include "account/registration/registrar.h"
#include "core/base/timer.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace tessan {

class ClientSession;
class LoginDialog;
class RechargeDialog;
class RegistrationWizard;

class AccountDialogs final : public QObject {
    Q_OBJECT
  public:
    // Everything must outlive this. `timers` empty: QTimers owned by this object.
    AccountDialogs(ClientSession& session, Connections& connections, LoginState& login,
                   MessageBoxes& boxes, ServerBoxes& serverBoxes, HostResolver& resolver,
                   TimerFactory timers = {}, int answerTimeoutMs = Registrar::kAnswerTimeoutMs,
                   QObject* parent = nullptr);
    ~AccountDialogs() override;

    // Joins a login dialog: "注册" and "充值" open the wizard and the recharge dialog over it, and
    // a newly registered account appears in its list.
    void Attach(LoginDialog& dialog);

    // "注册": runs the wizard modally over `over`.
    void Register(QWidget* over);
    // "充值": runs a recharge dialog modally over `over` for the current account.
    void Recharge(QWidget* over);

    Registrar& Registration() { return *registrar_; }
    RegistrationWizard* Wizard() const { return wizard_.get(); }
    RechargeDialog* OpenRecharge() const;

  signals:
    // The server accepted a new account: the address book adds its entry.
    void accountRegistered(const tessan::UserProfile& profile);
    // The new account's login was remembered: the login dialog lists it.
    void loginRemembered();
    // A dialog is about to run modally (tests drive it from its own loop).
    void wizardOpened(tessan::RegistrationWizard* wizard);
    void rechargeOpened(tessan::RechargeDialog* dialog);

  private:
    ClientSession& session_;
    MessageBoxes& boxes_;
    HostResolver& resolver_;
    TimerFactory timers_;
    int answerTimeoutMs_;
    std::unique_ptr<Registrar> registrar_;
    RechargeLine rechargeLine_;
    std::unique_ptr<RegistrationWizard> wizard_;
    QPointer<RechargeDialog> recharge_;
};

}  // namespace tessan
