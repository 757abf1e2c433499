// The account pages' input boxes: a width in GBK bytes that typing and pasting cannot exceed and
// that is never filled with half a character, and the digits-and-dashes filter of the number boxes.
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace tessan {

class FieldEdit final : public QObject {
    Q_OBJECT
  public:
    // Attaches to `edit` (and is owned by it). maxBytes 0: no width.
    static FieldEdit* Attach(QLineEdit* edit, int maxBytes, bool digitsAndDashes);

  private:
    FieldEdit(QLineEdit* edit, int maxBytes, bool digitsAndDashes);
    void Changed(const QString& text);

    QLineEdit* edit_;
    int maxBytes_;
    bool digitsAndDashes_;
    QString last_;
    bool busy_ = false;
};

}  // namespace tessan
