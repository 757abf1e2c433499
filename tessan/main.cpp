// tessan: one client per program folder; the process lives as long as its main window.
#include "core/globals.h"
#include "core/localfiles.h"
#include "core/mainwindow.h"
#include "core/qtmessageboxes.h"
#include "core/singleinstance.h"
#include "core/tessnetlibrary.h"
#include "look/look.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The lock file lives in the program folder, so the folder is known before the lock is claimed.
    tessan::AppDir = tessan::ProgramFolder();
    const std::optional<tessan::InstanceLock> lock = tessan::PrepareStartUp(tessan::AppDir);
    if (!lock) return 0;  // another copy holds the folder: end without a word

    QApplication app(argc, argv);
    tessan::ApplyLook(app);
    tessan::QtMessageBoxes boxes;
    // Outlives the window, which ends the library when it closes.
    tessan::TessnetLibrary library(boxes);
    tessan::MainWindow window(tessan::AppDir, boxes, library);
    window.exec();
    return 0;
}
