#include "look/locations.h"

#include <QDir>
#include <QStandardPaths>
#include <QStorageInfo>

namespace tessan {
namespace {

QString Clean(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

// Whether `path` is `folder` or lies below it, by whole path components.
bool IsWithin(const QString& path, const QString& folder) {
    if (folder.isEmpty()) return false;
    if (path == folder) return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
}

QString DriveLabel(const Drive& drive) {
    if (drive.root == QLatin1String("/")) return QStringLiteral("文件系统");
    if (!drive.name.isEmpty()) return drive.name;
    return QDir(drive.root).dirName();
}

}  // namespace

std::vector<Location> BuildLocations(const LocationRoots& roots, const QString& current,
                                     int* currentIndex) {
    using Kind = Location::Kind;
    std::vector<Location> list;
    const auto add = [&](Kind kind, const QString& label, const QString& path, int depth) {
        if (kind != Kind::Computer && path.isEmpty()) return;
        list.push_back(Location{kind, label, path, depth});
    };
    add(Kind::Desktop, QStringLiteral("桌面"), Clean(roots.desktop), 0);
    add(Kind::Home, QStringLiteral("主文件夹"), Clean(roots.home), 0);
    // Freedesktop falls back to the home folder when no download folder is set up.
    if (Clean(roots.downloads) != Clean(roots.home))
        add(Kind::Downloads, QStringLiteral("下载"), Clean(roots.downloads), 0);
    add(Kind::Computer, QStringLiteral("我的电脑"), kComputerPath, 0);
    for (const Drive& drive : roots.drives)
        add(Kind::Drive, DriveLabel(drive), Clean(drive.root), 1);

    const QString folder = current == kComputerPath ? current : Clean(current);
    // The nearest root: the one with the longest path that holds the folder.
    int anchor = -1;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const Location& l = list[static_cast<std::size_t>(i)];
        if (l.kind == Kind::Computer ? folder == kComputerPath : IsWithin(folder, l.path)) {
            if (anchor < 0 || l.path.size() > list[static_cast<std::size_t>(anchor)].path.size())
                anchor = i;
        }
    }

    int found = -1;
    if (anchor >= 0) {
        const Location root = list[static_cast<std::size_t>(anchor)];
        if (root.path == folder) {
            found = anchor;
        } else {
            // Each folder between the root and the shown one, one level deeper each.
            const QString rest = folder.mid(root.path.size());
            const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
            QString path = root.path;
            std::vector<Location> chain;
            for (const QString& part : parts) {
                if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
                path += part;
                chain.push_back(Location{Kind::Folder, part, path,
                                         root.depth + 1 + static_cast<int>(chain.size())});
            }
            list.insert(list.begin() + anchor + 1, chain.begin(), chain.end());
            found = anchor + static_cast<int>(chain.size());
        }
    } else if (!folder.isEmpty()) {
        list.push_back(Location{Kind::Folder, folder, folder, 0});
        found = static_cast<int>(list.size()) - 1;
    }
    if (currentIndex) *currentIndex = found;
    return list;
}

bool IsUserDrive(const QString& root, const QByteArray& fileSystemType, const QString& home) {
    if (root == QLatin1String("/")) return true;
    static const QByteArray kPseudo[] = {"tmpfs",    "devtmpfs", "proc",     "sysfs", "overlay",
                                         "squashfs", "autofs",   "efivarfs", "ramfs"};
    for (const QByteArray& type : kPseudo)
        if (fileSystemType == type) return false;
    for (const char* place : {"/media/", "/mnt/", "/run/media/"})
        if (root.startsWith(QLatin1String(place))) return true;
    return !home.isEmpty() && IsWithin(root, Clean(home)) && root != Clean(home);
}

LocationRoots SystemLocationRoots() {
    LocationRoots roots;
    roots.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    roots.home = QDir::homePath();
    roots.downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        if (!IsUserDrive(volume.rootPath(), volume.fileSystemType(), roots.home)) continue;
        roots.drives.push_back(Drive{volume.rootPath(), volume.name()});
    }
    return roots;
}

}  // namespace tessan
