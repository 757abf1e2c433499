#include "core/base/qtmessageboxes.h"

#include "look/look.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace tessan {
namespace {

QMessageBox::Icon ToQt(MessageBoxes::Icon icon) {
    switch (icon) {
        case MessageBoxes::Icon::Information:
            return QMessageBox::Information;
        case MessageBoxes::Icon::Warning:
            return QMessageBox::Warning;
        case MessageBoxes::Icon::Error:
            return QMessageBox::Critical;
        case MessageBoxes::Icon::Question:
            return QMessageBox::Question;
        case MessageBoxes::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQt(MessageBoxes::Answer answer) {
    switch (answer) {
        case MessageBoxes::Answer::Ok:
            return QMessageBox::Ok;
        case MessageBoxes::Answer::Cancel:
            return QMessageBox::Cancel;
        case MessageBoxes::Answer::Yes:
            return QMessageBox::Yes;
        case MessageBoxes::Answer::No:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// The window the box belongs to: the one the user works in, else (the program is in the
// background) a shown window of the program, so the box never stands alone on the desktop.
QWidget* Owner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && (type == Qt::Window || type == Qt::Dialog)) return window;
    }
    return nullptr;
}

}  // namespace

MessageBoxes::Answer QtMessageBoxes::Show(const Box& box) {
    QWidget* parent = Owner();

    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    Answer first = Answer::Ok;
    Answer escape = Answer::Ok;
    if (box.buttons == Buttons::OkCancel) {
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        escape = Answer::Cancel;
    } else if (box.buttons == Buttons::YesNo) {
        buttons = QMessageBox::Yes | QMessageBox::No;
        first = Answer::Yes;
        escape = Answer::No;
    }
    const Answer defaultAnswer = (buttons & ToQt(box.defaultAnswer)) ? box.defaultAnswer : first;

    QMessageBox dialog(ToQt(box.icon), box.caption.isEmpty() ? kProgramCaption : box.caption,
                       box.text, buttons, parent);
    UseDialogFrame(dialog);
    // Texts carry names from the network: never markup.
    dialog.setTextFormat(Qt::PlainText);
    dialog.setDefaultButton(ToQt(defaultAnswer));
    dialog.setEscapeButton(ToQt(escape));
    switch (dialog.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return escape;
    }
}

}  // namespace tessan
