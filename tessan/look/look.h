// The look of the whole program, applied once at start-up, before the first window: the style and
// its palette, Chinese fonts, Qt's own texts in Chinese, and the program's name and icon for the
// desktop.
#pragma once

#include <QString>

class QApplication;

namespace tessan {

struct LookReport {
    bool translationsLoaded = false;
    // The Chinese font in use; empty when the machine has none.
    QString cjkFamily;
};

LookReport ApplyLook(QApplication& app);

}  // namespace tessan
