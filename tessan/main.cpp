// tessan: one client per program folder; the process lives as long as its main window.
#include "app/clientapp.h"
#include "core/base/diagnostics.h"
#include "core/base/qtmessageboxes.h"
#include "core/library/tessnetlibrary.h"
#include "core/startup/datafolder.h"
#include "core/startup/localfiles.h"
#include "core/startup/singleinstance.h"
#include "look/look.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // The lock file lives in the data folder, so the folder is known before the lock is claimed;
    // the user's data folder is named after the application.
    QCoreApplication::setApplicationName(QStringLiteral("tessan"));
    const QString programFolder = tessan::ProgramFolder();
    const QString appDir = tessan::LocateDataFolder(programFolder).path;
    QString whyNot;
    const std::optional<tessan::InstanceLock> lock = tessan::PrepareStartUp(appDir, &whyNot);
    if (!lock) {
        // Also on the terminal: the box needs a display.
        std::fprintf(stderr, "tessan: %s\n", whyNot.toLocal8Bit().constData());
        QApplication app(argc, argv);
        tessan::QtMessageBoxes().Tell(whyNot, tessan::MessageBoxes::Icon::Error);
        return 1;
    }

    // Beside the transfer logs: what was dropped, refused or failed without a word to the user.
    const tessan::DiagnosticsFile diagnostics(tessan::LocalPath(appDir, u"log/diagnostics.txt"));
    QApplication app(argc, argv);
    tessan::ApplyLook(app);
    tessan::QtMessageBoxes boxes;
    tessan::ServerBoxes serverBoxes(boxes);
    // The adapter outlives the client, which ends the library before it goes.
    tessan::TessnetLibrary library(serverBoxes);
    tessan::ClientApp client({
        .appDir = appDir,
        .library = library,
        .boxes = boxes,
        .serverBoxes = &serverBoxes,
        .downloadFolder = tessan::UserDownloadFolder(),
        // Beside the program, not in the data folder an installed copy keeps its files in.
        .updater = tessan::UpdaterProgram(programFolder, tessan::IsInstalledLayout(programFolder)),
    });
    client.Window().exec();
    return 0;
}
