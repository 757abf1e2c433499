// The look of the whole program, applied once at start-up, before the first window: the style and
// its palette, Chinese fonts, Qt's own texts in Chinese, and the program's name and icon for the
// desktop.
#pragma once

#include <QString>

class QApplication;
class QWidget;

namespace tessan {

struct LookReport {
    bool translationsLoaded = false;
    // The Chinese font in use; empty when the machine has none.
    QString cjkFamily;
};

LookReport ApplyLook(QApplication& app);

// The frame of a small dialog or message box: a title and a close button, nothing to minimise or
// maximise it with. Called in the dialog's constructor, before it is first shown.
void UseDialogFrame(QWidget& dialog);

}  // namespace tessan
