#include "core/login/loginfieldwidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace tessan {

LoginFieldWidgets::LoginFieldWidgets(QComboBox* numberBox, QLineEdit* keyBox,
                                     QCheckBox* rememberKey, const RememberedLogins& logins,
                                     QObject* parent)
    : QObject(parent),
      numberBox_(numberBox),
      keyBox_(keyBox),
      rememberKey_(rememberKey),
      logins_(logins) {
    // Only a choice in the list applies a record; typing a number does not.
    connect(numberBox, qOverload<int>(&QComboBox::activated), this, [this](int position) {
        if (numberBox_) ApplyRecordAt(position);
    });
}

void LoginFieldWidgets::ApplyRecordAt(int position) {
    const QVariant index = numberBox_->itemData(position);
    if (index.isValid()) logins_.ApplyRememberedLogin(*this, index.toInt());
}

void LoginFieldWidgets::ClearNumbers() {
    if (!numberBox_) return;
    numberBox_->clear();
    // Removing the items keeps a typed number in the edit field; emptying the box means both.
    numberBox_->clearEditText();
}

void LoginFieldWidgets::AddNumber(const QString& number, int recordIndex) {
    if (!numberBox_) return;
    // A drop-down selects its first item by itself; the number box shows a remembered number only
    // when one is selected on purpose.
    const bool wasEmpty = numberBox_->count() == 0;
    const QString typed = numberBox_->currentText();
    numberBox_->addItem(number, recordIndex);
    if (wasEmpty) {
        numberBox_->setCurrentIndex(-1);
        numberBox_->setEditText(typed);
    }
}

void LoginFieldWidgets::SelectNumber(int position) {
    if (numberBox_) numberBox_->setCurrentIndex(position);
}

void LoginFieldWidgets::SetPrivateKey(const QString& key) {
    if (keyBox_) keyBox_->setText(key);
}

void LoginFieldWidgets::SetRememberKey(bool checked) {
    if (rememberKey_) rememberKey_->setChecked(checked);
}

}  // namespace tessan
