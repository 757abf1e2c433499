// LoginDialog: "登录Tessan系统". The number and key boxes, "记住密码" and the buttons; the rules
// are LoginController's.
#pragma once

#include "core/logincontroller.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tessan {

class LoginFieldWidgets;

class LoginDialog final : public QDialog, private LoginView {
    Q_OBJECT
  public:
    LoginDialog(Library& library, MessageBoxes& boxes, const QString& appDir,
                LoginController::StartProgram startProgram, QWidget* parent = nullptr);
    ~LoginDialog() override;

    // The own login result, passed on by the dispatcher.
    void OnLoginReply(const Reply& reply) { controller_->OnLoginReply(reply); }
    // The own connection was lost.
    void ConnectionLost() { controller_->OnConnectionLost(); }

  signals:
    // The user agreed to upgrade: the main window closes too.
    void upgradeAccepted();

  private:
    // LoginFields, through the widgets
    void ClearNumbers() override;
    void AddNumber(const QString& number, int recordIndex) override;
    void SelectNumber(int position) override;
    void SetPrivateKey(const QString& key) override;
    void SetRememberKey(bool checked) override;
    // LoginView
    QString NumberText() const override;
    QString KeyText() const override;
    bool RememberKeyChecked() const override;
    void SetLoginEnabled(bool enabled) override;
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
    LoginFieldWidgets* fields_ = nullptr;
};

}  // namespace tessan
