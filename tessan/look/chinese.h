// Chinese throughout: Qt's own texts (standard buttons, the file view's headers), the locale,
// sizes and dates as Chinese desktops write them, and a font that has the characters.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;
class QGuiApplication;

namespace tessan {

// Chinese as used in mainland China.
QLocale ChineseLocale();

// Makes the Chinese locale the default and installs Qt's own Chinese translations from Qt's
// translations folder (`folder` names another one, for tests). Returns false when they are not
// installed; Qt's texts then stay English, everything of the program's own stays Chinese.
bool InstallChineseTranslations(QCoreApplication& app, const QString& folder = {});

// "0 字节", "1,023 字节", "1.5 KB", "12.3 MB", "812 MB", "2.0 GB": 1024-based units, one
// decimal below 100, none above.
QString FormatSize(qint64 bytes);

// "2026/12/7 13:05", as the Chinese desktops list a file's date; empty for an invalid time.
QString FormatDateTime(const QDateTime& time);

// Fonts with Chinese characters, in the order they are preferred.
QStringList PreferredCjkFamilies();

// Gives the application font the installed Chinese fonts as fall-backs after its own family, and
// maps the Windows Chinese font names ("宋体", "SimSun", "微软雅黑", ...) onto them. Returns the
// first Chinese family in use, empty when the machine has none.
QString ApplyCjkFonts(QGuiApplication& app);

}  // namespace tessan
