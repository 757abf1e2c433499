// LoginFields over the login dialog's real controls: the editable number drop-down, the key box
// and the "记住密码" check box. Choosing another number in the drop-down applies its record.
#pragma once

#include "core/login/rememberedlogins.h"

#include <QObject>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tessan {

class LoginFieldWidgets final : public QObject, public LoginFields {
    Q_OBJECT
  public:
    // The widgets and `logins` must outlive this object; the login dialog owns all of them.
    LoginFieldWidgets(QComboBox* numberBox, QLineEdit* keyBox, QCheckBox* rememberKey,
                      const RememberedLogins& logins, QObject* parent = nullptr);

    void ClearNumbers() override;
    void AddNumber(const QString& number, int recordIndex) override;
    void SelectNumber(int position) override;
    void SetPrivateKey(const QString& key) override;
    void SetRememberKey(bool checked) override;

  private:
    void ApplyRecordAt(int position);

    QPointer<QComboBox> numberBox_;
    QPointer<QLineEdit> keyBox_;
    QPointer<QCheckBox> rememberKey_;
    const RememberedLogins& logins_;
};

}  // namespace tessan
