// What the text and voice message dialogs share: the recipient line and the subject above, and
// OK and Cancel below. The widgets belong to the dialog; this only builds and fills them.
#pragma once

#include <QString>

#include <initializer_list>

class QDialog;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace tessan {

class ImageButton;

class MessageDialogParts {
  public:
    struct Texts {
        QString title;
        QString recipientLabel;
        QString subjectLabel;
        QString okText;
        QString cancelText;
        QString recipientLine;
        QString subject;
    };

    // Makes the widgets as children of `dialog`, with the object names tests look for.
    explicit MessageDialogParts(QDialog* dialog);

    // The two rows of labels and lines, and OK and Cancel at the right, for the dialog's layout.
    QGridLayout* FieldsLayout() const;
    QHBoxLayout* ButtonsLayout() const;
    // Fills the texts and names the lines for screen readers after their labels.
    void Fill(const Texts& texts) const;
    // Tab order: the recipient line, the subject, `middle` in order, OK, Cancel.
    void ChainFocus(std::initializer_list<QWidget*> middle) const;
    // A label's text as a screen reader's name: without its closing colon.
    static QString AccessibleLabel(QString label);

    QLabel* recipientLabel;
    QLineEdit* recipientLine;
    QLabel* subjectLabel;
    QLineEdit* subject;
    ImageButton* ok;
    ImageButton* cancel;

  private:
    QDialog* dialog_;
};

}  // namespace tessan
