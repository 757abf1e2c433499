// Which folder holds the client's own files (cache/, log/, remember.ini, serverlist.ini, the lock):
// the program's folder, as on the desktop it was made for, unless that folder is an installed
// copy's or cannot be written; then the user's data folder (~/.local/share/tessan).
#pragma once

#include <QString>

namespace tessan {

struct DataFolder {
    QString path;
    // True when `path` is the program's folder (a build tree or an unpacked copy).
    bool programFolder = true;
};

// The rule: the program folder while it is writable and not an installed copy, else the user's
// data folder. An empty program folder stays empty: start-up refuses it.
DataFolder ChooseDataFolder(const QString& programFolder, const QString& userDataFolder,
                            bool programFolderWritable, bool installed);

// An installed copy: "<prefix>/bin/tessan" beside "<prefix>/lib/tessan/" with the library. Even
// root, who may write anywhere, then keeps its files out of the system's folders.
bool IsInstalledLayout(const QString& programFolder);

// The updater started when the user accepts an upgrade: "Renovator" beside the program of an
// unpacked copy. An installed copy has none (the package manager updates it): empty.
QString UpdaterProgram(const QString& programFolder, bool installed);

// Whether this process may create files in `folder`.
bool IsWritableFolder(const QString& folder);

// The rule applied to this machine: QStandardPaths' AppDataLocation for the application name
// "tessan", created (0700) when it is chosen. Call after the application name is set.
DataFolder LocateDataFolder(const QString& programFolder);

// The serverlist.ini to read: the data folder's own when it has one; for an installed copy
// without one, the first "tessan/serverlist.ini" of the XDG configuration folders (the user's,
// then the system's, /etc/xdg); else the data folder's path, which the lookup finds missing.
QString ServerListFile(const DataFolder& data);
// The same for a data folder that is the program's folder exactly when it is this program's.
QString ServerListFile(const QString& dataFolder);

}  // namespace tessan
