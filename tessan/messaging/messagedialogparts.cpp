#include "messaging/messagedialogparts.h"

#include "look/imagebutton.h"
#include "messaging/messagefiles.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace tessan {

MessageDialogParts::MessageDialogParts(QDialog* dialog)
    : recipientLabel(new QLabel(dialog)),
      recipientLine(new QLineEdit(dialog)),
      subjectLabel(new QLabel(dialog)),
      subject(new QLineEdit(dialog)),
      ok(new ImageButton(QString(), dialog)),
      cancel(new ImageButton(QString(), dialog)),
      dialog_(dialog) {
    recipientLine->setObjectName(QStringLiteral("recipientLine"));
    recipientLine->setReadOnly(true);
    subject->setObjectName(QStringLiteral("subject"));
    subject->setMaxLength(static_cast<int>(kSubjectMaxLength));
    ok->setObjectName(QStringLiteral("okButton"));
    ok->SetColours(ButtonColours::Accent());
    cancel->setObjectName(QStringLiteral("cancelButton"));
    // Return never presses a button by itself: in the text dialog it belongs to the body.
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

QGridLayout* MessageDialogParts::FieldsLayout() const {
    auto* fields = new QGridLayout;
    fields->addWidget(recipientLabel, 0, 0);
    fields->addWidget(recipientLine, 0, 1);
    fields->addWidget(subjectLabel, 1, 0);
    fields->addWidget(subject, 1, 1);
    return fields;
}

QHBoxLayout* MessageDialogParts::ButtonsLayout() const {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

void MessageDialogParts::Fill(const Texts& texts) const {
    dialog_->setWindowTitle(texts.title);
    recipientLabel->setText(texts.recipientLabel);
    subjectLabel->setText(texts.subjectLabel);
    ok->setText(texts.okText);
    cancel->setText(texts.cancelText);
    recipientLine->setText(texts.recipientLine);
    subject->setText(texts.subject);
}

}  // namespace tessan
