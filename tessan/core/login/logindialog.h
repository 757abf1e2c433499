// LoginDialog: "登录Tessan系统". The number and key boxes, "记住密码" and the buttons; the rules
// are LoginController's. It hears the own login result and a failed own connection itself.
// "注册" and "充值" open dialogs of the account pages: whoever opens this dialog connects
// registerRequested and rechargeRequested; while nothing is connected they say "此功能暂未开放!".
#pragma once

#include "core/login/logincontroller.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tessan {

class LoginDialog final : public QDialog, private LoginView {
    Q_OBJECT
  public:
    // Everything must outlive the dialog.
    LoginDialog(ClientSession& session, LoginState& login, MessageBoxes& boxes,
                HostResolver& resolver, LoginController::StartProgram startProgram,
                QWidget* parent = nullptr);
    ~LoginDialog() override;

    // Lists the remembered logins again (after a registration saved a new one).
    void ReloadRememberedLogins() { controller_->SetUp(); }
    // True while the server's host name is being looked up.
    bool LookingUp() const { return controller_->LookingUp(); }

  public slots:
    // Closing gives up a lookup under way: its answer opens no connection.
    void done(int result) override;

  signals:
    // The user agreed to upgrade: the main window closes too.
    void upgradeAccepted();
    // "注册" and "充值".
    void registerRequested();
    void rechargeRequested();

  private:
    // The remembered login at `position` of the number box (one per record, in file order): its
    // number, its key and "记住密码"; no number and no key outside the records.
    void ShowRecord(int position);
    // LoginView
    void ShowRemembered(const RememberedLogins& logins) override;
    QString NumberText() const override;
    QString KeyText() const override;
    bool RememberKeyChecked() const override;
    void SetLoginEnabled(bool enabled) override;
    void SetConnecting(bool connecting) override;
    void FocusNumber() override;
    void FocusKey() override;
    void Accept() override { accept(); }
    void CloseAllForUpgrade() override;

    MessageBoxes& boxes_;
    QComboBox* number_;
    QLineEdit* key_;
    QCheckBox* rememberKey_;
    QPushButton* login_;
    std::unique_ptr<LoginController> controller_;
};

}  // namespace tessan
