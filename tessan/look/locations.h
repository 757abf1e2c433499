// What the location drop-down lists: the desktop, the home folder, the downloads, "我的电脑" with
// the mounted drives, and the folders down to the one shown, under the nearest of those that
// holds it. Plain rules; the drop-down only shows them.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace tessan {

struct Location {
    enum class Kind { Desktop, Home, Downloads, Computer, Drive, Folder };
    Kind kind = Kind::Folder;
    QString label;
    // The folder; "我的电脑" for the drives level, which the file browser shows by that name.
    QString path;
    // Indentation level in the list.
    int depth = 0;
};

struct Drive {
    QString root;
    QString name;
};

struct LocationRoots {
    QString desktop;
    QString home;
    QString downloads;
    std::vector<Drive> drives;
};

inline const QString kComputerPath = QStringLiteral("我的电脑");

// The list for `current` (a folder, or kComputerPath); `*currentIndex` gets the row of `current`.
// A folder outside every root is listed on its own at the end.
std::vector<Location> BuildLocations(const LocationRoots& roots, const QString& current,
                                     int* currentIndex);

// A mount a user means by "a drive": the root file system and what is mounted under /media,
// /mnt, /run/media or the home folder; not /boot, /snap, /run or other system mounts.
bool IsUserDrive(const QString& root, const QByteArray& fileSystemType, const QString& home);

// The machine's roots: the desktop, home and download folders and the user's drives.
LocationRoots SystemLocationRoots();

}  // namespace tessan
