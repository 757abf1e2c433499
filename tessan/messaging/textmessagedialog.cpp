#include "messaging/textmessagedialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tessan {

TextMessageDialog::TextMessageDialog(const QString& appDir, MessageBoxes& boxes,
                                     SendImmediatelyFn send, QWidget* parent)
    : QDialog(parent),
      message_(appDir, boxes, std::move(send)),
      parts_(this),
      bodyLabel_(new QLabel(this)),
      body_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("TextMessageDialog"));
    body_->setObjectName(QStringLiteral("body"));
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    body_->setTabChangesFocus(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(parts_.FieldsLayout());
    layout->addWidget(bodyLabel_);
    layout->addWidget(body_, 1);
    layout->addLayout(parts_.ButtonsLayout());
    resize(460, 360);
    Fill();
}

void TextMessageDialog::Fill() {
    const TextMessage::Texts texts = TextMessage::Effective(message_.texts);
    parts_.Fill({texts.title, texts.recipientLabel, texts.subjectLabel, texts.okText,
                 texts.cancelText, message_.recipientLine, message_.subject});
    bodyLabel_->setText(texts.bodyLabel);
    // The callers' generated bodies use CR LF; the edit holds plain line feeds.
    QString body = message_.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body_->setPlainText(body);
}

int TextMessageDialog::exec() {
    Fill();
    parts_.subject->setFocus();
    return QDialog::exec();
}

void TextMessageDialog::accept() {
    switch (message_.Ok(parts_.subject->text(), body_->toPlainText())) {
        case TextMessage::Outcome::Accept:
            QDialog::accept();
            return;
        case TextMessage::Outcome::FocusSubject:
            parts_.subject->setFocus();
            return;
        case TextMessage::Outcome::StayOpen:
            return;
    }
}

}  // namespace tessan
