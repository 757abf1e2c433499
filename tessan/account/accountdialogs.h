// Registration and recharge as the login dialog opens them: the registrar that outlives every
// login dialog (a verdict may come after the dialog closed), the wizard made once so that its
// pages keep what was typed, and one recharge dialog at a time, which alone hears card answers.
#pragma once

#include "account/recharge/rechargecontroller.h"
#include "account/registration/registrar.h"
#include "core/base/timer.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace tessan {

class RechargeDialog;
class RegistrationWizard;

class AccountDialogs final : public QObject {
    Q_OBJECT
  public:
    struct Services {
        Library& library;
        RechargeController::ConnectPlain connectPlain;
        MessageBoxes& boxes;
        QString appDir;
        std::function<void(const QString& text, bool error)> showNotice;
        // Empty: QTimers owned by this object.
        TimerFactory timers;
    };

    explicit AccountDialogs(Services services, QObject* parent = nullptr);
    ~AccountDialogs() override;

    // "注册": runs the wizard modally over `over`.
    void Register(QWidget* over);
    // "充值": runs a recharge dialog modally over `over` for `number` (GBK; the current account,
    // empty when nobody is logged in).
    void Recharge(QWidget* over, const QByteArray& number);

    // Notification 3.
    void OnRegisterResult(const Reply& reply) { registrar_->OnResult(reply); }
    // Notification 41: only an open recharge dialog hears it.
    void OnCardAnswer(const Reply& reply);

    Registrar& Registration() { return *registrar_; }
    RegistrationWizard* Wizard() const { return wizard_.get(); }
    RechargeDialog* OpenRecharge() const { return recharge_; }

  signals:
    // The server accepted a new account: the address book adds its entry.
    void accountRegistered(const tessan::UserProfile& profile);
    // The new account's login was remembered: the login dialog lists it.
    void loginRemembered();
    // A dialog is about to run modally (tests drive it from its own loop).
    void wizardOpened(tessan::RegistrationWizard* wizard);
    void rechargeOpened(tessan::RechargeDialog* dialog);

  private:
    Services services_;
    std::unique_ptr<Registrar> registrar_;
    std::unique_ptr<RegistrationWizard> wizard_;
    QPointer<RechargeDialog> recharge_;
};

}  // namespace tessan
