#include "core/startup/help.h"

#include "core/startup/localfiles.h"

#include <QDesktopServices>
#include <QUrl>

namespace tessan {

void OpenHelp(const QString& appDir) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(LocalPath(appDir, u"tessan.chm")));
}

}  // namespace tessan
