#include "look/look.h"

#include "look/chinese.h"
#include "look/icons.h"
#include "look/style.h"

#include <QApplication>
#include <QWidget>

namespace tessan {

LookReport ApplyLook(QApplication& app) {
    LookReport report;
    report.translationsLoaded = InstallChineseTranslations(app);
    // The application takes the style over; its palette replaces the desktop theme's, so that
    // every window looks the same on every desktop.
    auto* style = new TessanStyle;
    QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
    report.cjkFamily = ApplyCjkFonts(app);
    QApplication::setWindowIcon(Icon(LookIcon::App));
    // The desktop matches windows to "tessan.desktop" by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessan"));
    return report;
}

void UseDialogFrame(QWidget& dialog) {
    dialog.setWindowFlags((dialog.windowFlags() & Qt::WindowType_Mask) | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

}  // namespace tessan
