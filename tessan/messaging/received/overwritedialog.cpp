#include "messaging/received/overwritedialog.h"

#include "look/look.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

const QString OverwriteDialog::kTitle = QStringLiteral("确认是否覆盖");
const QString OverwriteDialog::kOkText = QStringLiteral("覆盖");

OverwriteDialog::OverwriteDialog(QWidget* parent)
    : QDialog(parent),
      message_(new QLabel(this)),
      forAllBox_(new QCheckBox(QStringLiteral("对所有文件"), this)),
      ok_(new QPushButton(kOkText, this)),
      cancel_(new QPushButton(QStringLiteral("取消"), this)) {
    setObjectName(QStringLiteral("overwriteDialog"));
    setWindowTitle(kTitle);
    UseDialogFrame(*this);
    message_->setObjectName(QStringLiteral("message"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    forAllBox_->setObjectName(QStringLiteral("forAllBox"));
    ok_->setObjectName(QStringLiteral("okButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    ok_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(forAllBox_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addLayout(buttons);

    connect(forAllBox_, &QCheckBox::toggled, this, [this](bool on) { forAll_ = on; });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void OverwriteDialog::Fill(const OverwriteQuestion::Request& request) {
    if (!request.title.isEmpty()) setWindowTitle(request.title);
    if (!request.okText.isEmpty()) ok_->setText(request.okText);
    // The message keeps its CR LF; a label breaks the line at the LF alone.
    QString text = request.message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    message_->setText(text);
}

OverwriteQuestion::Answer OverwriteDialogQuestion::Ask(const Request& request) {
    OverwriteDialog dialog(parent_);
    dialog.Fill(request);
    const bool ok = dialog.exec() == QDialog::Accepted;
    return {ok, dialog.ForAll()};
}

}  // namespace tessan
