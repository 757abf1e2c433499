#include "messaging/textmessagedialog.h"

#include "look/look.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tessan {

TextMessageDialog::TextMessageDialog(const QString& appDir, MessageBoxes& boxes,
                                     SendImmediatelyFn send, QWidget* parent)
    : QDialog(parent),
      message_(appDir, boxes, std::move(send)),
      parts_(this),
      bodyLabel_(new QLabel(this)),
      body_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("TextMessageDialog"));
    UseDialogFrame(*this);
    body_->setObjectName(QStringLiteral("body"));
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the body for the buttons; Ctrl+Tab types a tab.
    body_->setTabChangesFocus(true);
    body_->installEventFilter(this);
    // Tab stops every eight characters, as text editors show the message.
    body_->setTabStopDistance(8 * body_->fontMetrics().averageCharWidth());
    bodyLabel_->setBuddy(body_);
    parts_.ChainFocus({body_});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(parts_.FieldsLayout());
    layout->addWidget(bodyLabel_);
    layout->addWidget(body_, 1);
    layout->addLayout(parts_.ButtonsLayout());
    const int em = fontMetrics().height();
    resize(30 * em, 26 * em);
    Fill();
}

int TextMessageDialog::LineWidth(const QFontMetrics& metrics, const QString& line, qreal tabStop) {
    qreal x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != u'\t') continue;
        x += metrics.horizontalAdvance(line.mid(start, i - start));
        if (i < line.size() && tabStop > 0) x = (std::floor(x / tabStop) + 1) * tabStop;
        start = i + 1;
    }
    return static_cast<int>(std::ceil(x));
}

void TextMessageDialog::Fill() {
    const TextMessage::Texts texts = TextMessage::Effective(message_.texts);
    parts_.Fill({texts.title, texts.recipientLabel, texts.subjectLabel, texts.okText,
                 texts.cancelText, message_.recipientLine, message_.subject});
    bodyLabel_->setText(texts.bodyLabel);
    body_->setAccessibleName(MessageDialogParts::AccessibleLabel(texts.bodyLabel));
    // The callers' generated bodies use CR LF; the edit holds plain line feeds.
    QString body = message_.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body_->setPlainText(body);

    // The generated lines (greeting, signature) stand unbroken, on any screen that has the room.
    int widest = 0;
    for (const QString& line : body.split(u'\n'))
        widest = std::max(widest, LineWidth(body_->fontMetrics(), line, body_->tabStopDistance()));
    const int needed = widest + 2 * body_->frameWidth() +
                       static_cast<int>(std::ceil(2 * body_->document()->documentMargin())) +
                       body_->verticalScrollBar()->sizeHint().width() + body_->cursorWidth() + 2;
    int room = needed;
    if (const QScreen* screen = this->screen())
        room = std::min(needed, screen->availableGeometry().width() * 9 / 10);
    body_->setMinimumWidth(room);
}

bool TextMessageDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == body_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            body_->insertPlainText(QStringLiteral("\t"));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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
