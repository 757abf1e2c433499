#include "look/chinese.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <array>
#include <memory>

namespace tessan {

QLocale ChineseLocale() {
    return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
}

bool InstallChineseTranslations(QCoreApplication& app, const QString& folder) {
    QLocale::setDefault(ChineseLocale());
    const QString where =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // qtbase holds the standard buttons, dialogs and the file system model; the translator lives
    // as long as the application.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(ChineseLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), where))
        return false;
    if (!QCoreApplication::installTranslator(translator.get())) return false;
    translator.release()->setParent(&app);
    return true;
}

QString FormatSize(qint64 bytes) {
    const QLocale locale = ChineseLocale();
    if (bytes < 1024) return locale.toString(bytes) + QStringLiteral(" 字节");
    constexpr std::array<const char16_t*, 5> kUnits = {u"KB", u"MB", u"GB", u"TB", u"PB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // Rounding decides the unit: 1023.96 KB is written "1.0 MB", not "1,024 KB".
    while (unit + 1 < kUnits.size() && value >= 1023.95) {
        value /= 1024.0;
        ++unit;
    }
    const int decimals = value < 99.95 ? 1 : 0;
    return locale.toString(value, 'f', decimals) + QLatin1Char(' ') +
           QString::fromUtf16(kUnits[unit]);
}

QString FormatDateTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    return ChineseLocale().toString(time.toLocalTime(), QStringLiteral("yyyy/M/d HH:mm"));
}

QStringList PreferredCjkFamilies() {
    return {QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Source Han Sans SC"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
            QStringLiteral("Droid Sans Fallback"), QStringLiteral("AR PL UMing CN")};
}

QString ApplyCjkFonts(QGuiApplication& app) {
    const QStringList installed = QFontDatabase::families();
    QStringList cjk;
    for (const QString& family : PreferredCjkFamilies())
        if (installed.contains(family, Qt::CaseInsensitive)) cjk << family;
    // None of the usual ones: any font that writes simplified Chinese.
    if (cjk.isEmpty()) {
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (!chinese.isEmpty()) cjk << chinese.first();
    }
    if (cjk.isEmpty()) return {};

    QFont font = app.font();
    QStringList families{font.family()};
    for (const QString& family : cjk)
        if (!families.contains(family, Qt::CaseInsensitive)) families << family;
    font.setFamilies(families);
    app.setFont(font);
    // Names a Chinese Windows program asks for by habit.
    for (const char16_t* name : {u"宋体", u"SimSun", u"新宋体", u"NSimSun", u"微软雅黑",
                                 u"Microsoft YaHei", u"黑体", u"SimHei"})
        QFont::insertSubstitutions(QString::fromUtf16(name), cjk);
    return cjk.first();
}

}  // namespace tessan
