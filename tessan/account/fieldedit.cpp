#include "account/fieldedit.h"

#include "account/fieldinput.h"

#include <QLineEdit>

namespace tessan {

FieldEdit* FieldEdit::Attach(QLineEdit* edit, int maxBytes, bool digitsAndDashes) {
    return new FieldEdit(edit, maxBytes, digitsAndDashes);
}

FieldEdit::FieldEdit(QLineEdit* edit, int maxBytes, bool digitsAndDashes)
    : QObject(edit),
      edit_(edit),
      maxBytes_(maxBytes),
      digitsAndDashes_(digitsAndDashes),
      last_(edit->text()) {
    // A character takes at least one byte, so this only spares work on long pastes.
    if (maxBytes > 0) edit->setMaxLength(maxBytes);
    connect(edit, &QLineEdit::textChanged, this, &FieldEdit::Changed);
}

void FieldEdit::Changed(const QString& text) {
    if (busy_) return;
    QString fitted = text;
    qsizetype caret = edit_->cursorPosition();
    if (maxBytes_ > 0) {
        const FittedEdit fit = FitGbkEdit(last_, text, maxBytes_);
        if (fit.cut) {
            fitted = fit.text;
            caret = fit.caret;
        }
    }
    if (digitsAndDashes_) {
        const QString trimmed = TrimToDigitOrDash(fitted);
        if (trimmed != fitted) {
            fitted = trimmed;
            caret = fitted.size();
        }
    }
    last_ = fitted;
    if (fitted == text) return;
    busy_ = true;
    edit_->setText(fitted);
    edit_->setCursorPosition(static_cast<int>(caret));
    busy_ = false;
}

}  // namespace tessan
