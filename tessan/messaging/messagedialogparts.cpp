#include "messaging/messagedialogparts.h"

#include "look/imagebutton.h"
#include "messaging/messagefiles.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

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
    // A caller's labels may name the recipient.
    recipientLabel->setTextFormat(Qt::PlainText);
    subjectLabel->setTextFormat(Qt::PlainText);
    recipientLabel->setBuddy(recipientLine);
    subjectLabel->setBuddy(subject);
}

void MessageDialogParts::ChainFocus(std::initializer_list<QWidget*> middle) const {
    QWidget* previous = subject;
    QWidget::setTabOrder(recipientLine, subject);
    for (QWidget* next : middle) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    QWidget::setTabOrder(previous, ok);
    QWidget::setTabOrder(ok, cancel);
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
    recipientLine->setAccessibleName(AccessibleLabel(texts.recipientLabel));
    subject->setAccessibleName(AccessibleLabel(texts.subjectLabel));
    // Wide enough for the texts the caller put there (a long subject is not cut), within reason.
    const QFontMetrics metrics = subject->fontMetrics();
    const int em = metrics.height();
    int width = 24 * em;
    for (const QString& text : {texts.recipientLine, texts.subject})
        width = std::max(width, metrics.horizontalAdvance(text) + 2 * em);
    width = std::min(width, 40 * em);
    recipientLine->setMinimumWidth(width);
    subject->setMinimumWidth(width);
}

QString MessageDialogParts::AccessibleLabel(QString label) {
    label = label.trimmed();
    while (label.endsWith(u':') || label.endsWith(u'：')) label.chop(1);
    return label;
}

}  // namespace tessan
