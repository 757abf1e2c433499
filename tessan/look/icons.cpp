#include "look/icons.h"

namespace tessan {
namespace {

struct IconNames {
    const char16_t* file;
    const char16_t* theme;
};

IconNames NamesOf(LookIcon which) {
    switch (which) {
        case LookIcon::App:
            return {u"tessan", u"tessan"};
        case LookIcon::Folder:
            return {u"folder", u"folder"};
        case LookIcon::Drive:
            return {u"drive", u"drive-harddisk"};
        case LookIcon::Computer:
            return {u"computer", u"computer"};
        case LookIcon::Desktop:
            return {u"desktop", u"user-desktop"};
        case LookIcon::Home:
            return {u"home", u"user-home"};
        case LookIcon::Download:
            return {u"download", u"folder-download"};
        case LookIcon::GoUp:
            return {u"go-up", u"go-up"};
        case LookIcon::Information:
            return {u"dialog-information", u"dialog-information"};
        case LookIcon::Question:
            return {u"dialog-question", u"dialog-question"};
        case LookIcon::Warning:
            return {u"dialog-warning", u"dialog-warning"};
        case LookIcon::Error:
            return {u"dialog-error", u"dialog-error"};
    }
    return {u"folder", u"folder"};
}

}  // namespace

QString BundledIconPath(LookIcon which) {
    return QStringLiteral(":/tessan/icons/") + QString::fromUtf16(NamesOf(which).file) +
           QStringLiteral(".svg");
}

QString ThemeIconName(LookIcon which) {
    return QString::fromUtf16(NamesOf(which).theme);
}

QIcon Icon(LookIcon which) {
    return QIcon::fromTheme(ThemeIconName(which), QIcon(BundledIconPath(which)));
}

QString BundledBannerPath() {
    return QStringLiteral(":/tessan/banner.svg");
}

}  // namespace tessan
