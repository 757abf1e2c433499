// Registration and recharge as the login dialog opens them: the registrar that outlives every
// login dialog (a verdict may come after the dialog closed), the wizard made once so that its
// pages keep what was typed, and one recharge dialog at a time.
#pragma once

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
    // The session's own, made on first use as a child of the session, whose life it shares.
    static AccountDialogs& For(ClientSession& session);
    // Joins a login dialog: "注册" and "充值" open the wizard and the recharge dialog over it, and
    // a newly registered account appears in its list.
    static void Attach(ClientSession& session, LoginDialog& dialog);

    // `timers` empty: QTimers owned by this object.
    explicit AccountDialogs(ClientSession& session, TimerFactory timers = {},
                            int answerTimeoutMs = Registrar::kAnswerTimeoutMs,
                            QObject* parent = nullptr);
    ~AccountDialogs() override;

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
    TimerFactory timers_;
    int answerTimeoutMs_;
    std::unique_ptr<Registrar> registrar_;
    std::unique_ptr<RegistrationWizard> wizard_;
    QPointer<RechargeDialog> recharge_;
};

}  // namespace tessan
