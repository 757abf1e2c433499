#include "core/startup/datafolder.h"

#include "core/startup/localfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace tessan {

DataFolder ChooseDataFolder(const QString& programFolder, const QString& userDataFolder,
                            bool programFolderWritable, bool installed) {
    if (programFolder.isEmpty()) return {};
    if (programFolderWritable && !installed) return {programFolder, true};
    return {userDataFolder, false};
}

bool IsInstalledLayout(const QString& programFolder) {
    const QDir bin(programFolder);
    if (programFolder.isEmpty() || bin.dirName() != QLatin1String("bin")) return false;
    return QFileInfo::exists(bin.filePath(QStringLiteral("../lib/tessan/libtessnet.so")));
}

QString UpdaterProgram(const QString& programFolder, bool installed) {
    if (installed || programFolder.isEmpty()) return {};
    return QDir(programFolder).filePath(QStringLiteral("Renovator"));
}

bool IsWritableFolder(const QString& folder) {
    return !folder.isEmpty() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

DataFolder LocateDataFolder(const QString& programFolder) {
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    DataFolder data = ChooseDataFolder(programFolder, user, IsWritableFolder(programFolder),
                                       IsInstalledLayout(programFolder));
    if (!data.programFolder && !data.path.isEmpty() && !QFileInfo::exists(data.path)) {
        // Private: it holds the remembered keys and the message cache.
        QDir().mkpath(data.path);
        ::chmod(QFile::encodeName(data.path).constData(), 0700);
    }
    return data;
}

QString ServerListFile(const DataFolder& data) {
    const QString own = QDir(data.path).filePath(QStringLiteral("serverlist.ini"));
    if (data.programFolder || QFileInfo::exists(own)) return own;
    const QString shared = QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                                  QStringLiteral("tessan/serverlist.ini"));
    return shared.isEmpty() ? own : shared;
}

QString ServerListFile(const QString& dataFolder) {
    return ServerListFile(DataFolder{dataFolder, dataFolder == ProgramFolder()});
}

}  // namespace tessan
