// Typing rules shared by the account pages: fields whose width counts GBK bytes, and the boxes
// that take only digits and dashes.
#pragma once

#include <QString>

namespace tessan {

// The longest start of `text` whose GBK form takes at most maxBytes, never splitting a character
// (a surrogate pair counts as one).
QString FitGbk(const QString& text, qsizetype maxBytes);

// What an edit box holds after a change from `before` to `after` when its field takes at most
// maxBytes GBK bytes. The part that the change inserted is cut at a character boundary until the
// whole fits; the text around it stays. `caret` is just after what was kept of the insertion.
struct FittedEdit {
    QString text;
    qsizetype caret = 0;
    bool cut = false;
};
FittedEdit FitGbkEdit(const QString& before, const QString& after, qsizetype maxBytes);

// The number boxes' filter: trailing characters that are neither an ASCII digit nor '-' are
// removed one by one; only the end of the text is examined, so inner characters stay.
QString TrimToDigitOrDash(const QString& text);

// The text without trailing spaces.
QString TrimTrailingSpaces(const QString& text);

}  // namespace tessan
