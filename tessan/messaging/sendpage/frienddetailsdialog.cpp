#include "messaging/sendpage/frienddetailsdialog.h"

#include "core/records/usertype.h"
#include "look/imagebutton.h"
#include "look/look.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tessan {

FriendDetailsDialog::FriendDetailsDialog(const UserProfile& profile, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("friendDetailsDialog"));
    setWindowTitle(QStringLiteral("好友详情"));
    UseDialogFrame(*this);
    using Field = UserProfile::Field;
    const std::pair<const char*, QString> lines[] = {
        {"Tessan", profile.Text(Field::Number)},      {"类型", UserTypeLabel(profile.UserType())},
        {"公钥", profile.Text(Field::PublicKey)},     {"姓名", profile.Text(Field::Name)},
        {"单位", profile.Text(Field::Company)},       {"国家", profile.Text(Field::Country)},
        {"省份", profile.Text(Field::Province)},      {"电话", profile.Text(Field::Phone)},
        {"传真", profile.Text(Field::Fax)},           {"手机", profile.Text(Field::Mobile)},
        {"网电", profile.Text(Field::Videophone)},    {"网址", profile.Text(Field::WebAddress)},
        {"地址", profile.Text(Field::PostalAddress)}, {"邮编", profile.Text(Field::PostCode)},
        {"从事", profile.Text(Field::Occupation)},
    };
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const auto& [label, value] : lines) {
        auto* edit = new QLineEdit(value);
        edit->setReadOnly(true);
        edit->setObjectName(QString::fromUtf8(label));
        edit->setCursorPosition(0);
        form->addRow(QString::fromUtf8(label), edit);
    }
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* back = new ImageButton(QStringLiteral("返回(&O)"), this);
    back->setObjectName(QStringLiteral("backButton"));
    back->setDefault(true);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(back);
    layout->addLayout(buttons);
}

QString FriendDetailsDialog::Shown(const QString& label) const {
    const auto* edit = findChild<QLineEdit*>(label);
    return edit ? edit->text() : QString();
}

}  // namespace tessan
