#include "messaging/textmessagedialog.h"

#include "look/imagebutton.h"
#include "messaging/messagefiles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

TextMessageDialog::TextMessageDialog(const QString& appDir, MessageBoxes& boxes,
                                     SendImmediatelyFn send, QWidget* parent)
    : QDialog(parent),
      message_(appDir, boxes, std::move(send)),
      recipientLabel_(new QLabel(this)),
      recipientLine_(new QLineEdit(this)),
      subjectLabel_(new QLabel(this)),
      subject_(new QLineEdit(this)),
      bodyLabel_(new QLabel(this)),
      body_(new QPlainTextEdit(this)),
      ok_(new ImageButton(QString(), this)),
      cancel_(new ImageButton(QString(), this)) {
    setObjectName(QStringLiteral("TextMessageDialog"));
    recipientLine_->setObjectName(QStringLiteral("recipientLine"));
    recipientLine_->setReadOnly(true);
    subject_->setObjectName(QStringLiteral("subject"));
    subject_->setMaxLength(static_cast<int>(kSubjectMaxLength));
    body_->setObjectName(QStringLiteral("body"));
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    body_->setTabChangesFocus(false);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->SetColours(ButtonColours::Accent());
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    // Return belongs to the body; only a click or Space on OK sends.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(recipientLabel_, 0, 0);
    fields->addWidget(recipientLine_, 0, 1);
    fields->addWidget(subjectLabel_, 1, 0);
    fields->addWidget(subject_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(bodyLabel_);
    layout->addWidget(body_, 1);
    layout->addLayout(buttons);
    resize(460, 360);

    connect(ok_, &QPushButton::clicked, this, &TextMessageDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &TextMessageDialog::reject);
    Fill();
}

void TextMessageDialog::Fill() {
    const TextMessage::Texts texts = TextMessage::Effective(message_.texts);
    setWindowTitle(texts.title);
    recipientLabel_->setText(texts.recipientLabel);
    subjectLabel_->setText(texts.subjectLabel);
    bodyLabel_->setText(texts.bodyLabel);
    ok_->setText(texts.okText);
    cancel_->setText(texts.cancelText);
    recipientLine_->setText(message_.recipientLine);
    subject_->setText(message_.subject);
    // The callers' generated bodies use CR LF; the edit holds plain line feeds.
    QString body = message_.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body_->setPlainText(body);
}

int TextMessageDialog::exec() {
    Fill();
    subject_->setFocus();
    return QDialog::exec();
}

void TextMessageDialog::accept() {
    switch (message_.Ok(subject_->text(), body_->toPlainText())) {
        case TextMessage::Outcome::Accept:
            QDialog::accept();
            return;
        case TextMessage::Outcome::FocusSubject:
            subject_->setFocus();
            return;
        case TextMessage::Outcome::StayOpen:
            return;
    }
}

}  // namespace tessan
