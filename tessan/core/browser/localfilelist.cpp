#include "core/browser/localfilelist.h"

#include "core/base/plaintext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tessan {

const QString LocalFileList::kComputer = QStringLiteral("我的电脑");
const QString LocalFileList::kUp = QStringLiteral("..");
const QString LocalFileList::kDragMimeType = QStringLiteral("application/x-tessan-local-files");

namespace {

const QString kErrorCaption = QStringLiteral("错误");
const QString kWarningCaption = QStringLiteral("警告！");

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder `path` without its trailing '/' ("/" stays); empty when it is not absolute.
QString CleanFolder(const QString& path) {
    if (!path.startsWith(QLatin1Char('/'))) return {};
    return QDir::cleanPath(path);
}

bool LStat(const QString& path, struct stat& info) {
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool Exists(const QString& path) {
    struct stat info {};
    return LStat(path, info);
}

// Removes a file, a link (not what it points to) or a folder with its contents.
bool RemoveForGood(const QString& path) {
    struct stat info {};
    if (!LStat(path, info)) return false;
    if (S_ISDIR(info.st_mode)) return QDir(path).removeRecursively();
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

}  // namespace

QString DesktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) return QDir::cleanPath(desktop);
    return QDir::cleanPath(QDir::homePath());
}

bool FileNameLess(const QByteArray& a, const QByteArray& b) {
    const auto fold = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = fold(a[i]);
        const unsigned char y = fold(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

LocalFileList::LocalFileList(MessageBoxes& boxes, Services services, QObject* parent)
    : QAbstractListModel(parent), boxes_(boxes), services_(std::move(services)) {}

LocalFileList::~LocalFileList() = default;

QString LocalFileList::Location() const {
    return currentFolder_.isEmpty() ? kComputer : currentFolder_;
}

void LocalFileList::TellError(const QString& text) const {
    boxes_.Show({text, kErrorCaption, MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok,
                 MessageBoxes::Answer::Ok});
}

bool LocalFileList::ShowFolder(const QString& path, bool topLevel) {
    if (path.compare(kComputer, Qt::CaseInsensitive) == 0) {
        Replace(ListComputer(), QString(), topLevel);
        return true;
    }
    const QString folder = CleanFolder(path);
    std::vector<Row> rows;
    QString error;
    if (folder.isEmpty()) {
        error = QStringLiteral("不是完整的文件夹路径");
    } else if (ListFolder(folder, topLevel, rows, error)) {
        Replace(std::move(rows), folder, topLevel);
        return true;
    }
    TellError(QStringLiteral("无法打开文件夹:\"%1\"\n%2").arg(path, error));
    return false;
}

void LocalFileList::GoUp() {
    if (topLevel_) return;
    if (currentFolder_.isEmpty()) {
        ShowDesktop();
        return;
    }
    if (IsVolumeRoot(currentFolder_)) {
        ShowFolder(kComputer, false);
        return;
    }
    const qsizetype slash = currentFolder_.lastIndexOf(QLatin1Char('/'));
    ShowFolder(slash <= 0 ? QStringLiteral("/") : currentFolder_.left(slash), false);
}

void LocalFileList::ShowDesktop() {
    ShowFolder(services_.desktopFolder, true);
}

void LocalFileList::RefreshFolder() {
    ShowFolder(Location(), topLevel_);
}

bool LocalFileList::IsVolumeRoot(const QString& folder) const {
    if (folder == QLatin1String("/")) return true;
    const std::vector<Volume> volumes =
        services_.volumes ? services_.volumes() : std::vector<Volume>();
    return std::any_of(volumes.begin(), volumes.end(), [&](const Volume& volume) {
        return QDir::cleanPath(volume.root) == folder;
    });
}

std::vector<LocalFileList::Row> LocalFileList::ListComputer() const {
    std::vector<Row> rows;
    const QString home = CleanFolder(services_.homeFolder);
    const auto place = [&](const QString& folder, Kind kind, const QString& label) {
        const QString path = CleanFolder(folder);
        if (path.isEmpty() || (kind != Kind::Home && path == home) || !QFileInfo(path).isDir())
            return;
        rows.push_back(Row{path, kind, label});
    };
    place(services_.homeFolder, Kind::Home, QStringLiteral("主文件夹"));
    place(services_.desktopFolder, Kind::Desktop, QStringLiteral("桌面"));
    place(services_.downloadsFolder, Kind::Downloads, QStringLiteral("下载"));
    const std::vector<Volume> volumes =
        services_.volumes ? services_.volumes() : std::vector<Volume>();
    for (const Volume& volume : volumes)
        rows.push_back(Row{QDir::cleanPath(volume.root), Kind::Drive, volume.label});
    return rows;
}

bool LocalFileList::ListFolder(const QString& folder, bool topLevel, std::vector<Row>& rows,
                               QString& error) const {
    namespace fs = std::filesystem;
    std::error_code code;
    fs::directory_iterator it(NativePath(folder), code);
    if (code) {
        error = Reason(code.value());
        return false;
    }
    struct Entry {
        QByteArray name;
        bool folder;
    };
    std::vector<Entry> entries;
    for (; it != fs::directory_iterator(); it.increment(code)) {
        if (code) break;
        // Follows links: a link to a folder is entered like the folder itself.
        std::error_code typeCode;
        const bool isFolder = it->is_directory(typeCode);
        entries.push_back(Entry{QByteArray::fromStdString(it->path().filename().native()),
                                isFolder && !typeCode});
    }
    if (code) {
        error = Reason(code.value());
        return false;
    }
    // Folders first, each group by name.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.folder != b.folder) return a.folder;
        return FileNameLess(a.name, b.name);
    });

    rows.clear();
    rows.reserve(entries.size() + 1);
    if (topLevel) rows.push_back(Row{kComputer, Kind::Computer, {}});
    if (!topLevel && !IsVolumeRoot(folder)) rows.push_back(Row{kUp, Kind::Up, {}});
    for (const Entry& entry : entries)
        rows.push_back(
            Row{QFile::decodeName(entry.name), entry.folder ? Kind::Folder : Kind::File, {}});
    return true;
}

void LocalFileList::Replace(std::vector<Row> rows, QString folder, bool topLevel) {
    beginResetModel();
    rows_ = std::move(rows);
    currentFolder_ = std::move(folder);
    topLevel_ = topLevel;
    endResetModel();
    emit locationChanged(Location());
}

int LocalFileList::FindRow(const QString& name) const {
    for (int i = 0; i < RowCount(); ++i)
        if (RowAt(i).name == name) return i;
    return -1;
}

QString LocalFileList::PathOf(int row) const {
    const QString& name = RowAt(row).name;
    if (currentFolder_.isEmpty()) return name;
    if (currentFolder_.endsWith(QLatin1Char('/'))) return currentFolder_ + name;
    return currentFolder_ + QLatin1Char('/') + name;
}

void LocalFileList::Open(int row) {
    if (row < 0 || row >= RowCount()) return;
    const Row& r = RowAt(row);
    switch (r.kind) {
        case Kind::Up:
            GoUp();
            return;
        case Kind::Computer:
            ShowFolder(kComputer, false);
            return;
        case Kind::Drive:
        case Kind::Folder:
        case Kind::Home:
        case Kind::Desktop:
        case Kind::Downloads:
            ShowFolder(PathOf(row), false);
            return;
        case Kind::File:
            break;
    }
    const QString path = PathOf(row);
    if (!services_.openFile || !services_.openFile(path))
        TellError(QStringLiteral("不能打开文件:\"%1\"").arg(path));
}

void LocalFileList::Delete(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int row) {
        if (row < 0 || row >= RowCount()) return true;
        const Kind kind = RowAt(row).kind;
        return kind != Kind::File && kind != Kind::Folder;
    });
    if (rows.empty()) return;

    const QString question =
        rows.size() == 1 ? QStringLiteral("确实要删除文件:\"%1\"吗？").arg(PathOf(rows.front()))
                         : QStringLiteral("确实要删除这%1个文件吗？").arg(rows.size());
    if (!boxes_.AskYesNo(question, kWarningCaption, MessageBoxes::Icon::Warning,
                         MessageBoxes::Answer::No))
        return;

    // From the last row up, so that the indexes of the rows still to go stay valid.
    std::vector<int> untrashed;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const QString path = PathOf(*it);
        if (services_.moveToTrash && services_.moveToTrash(path)) {
            RemoveRow(*it);
        } else if (Exists(path)) {
            untrashed.push_back(*it);
        } else {
            boxes_.Tell(QStringLiteral("删除文件:%1出错!").arg(path), MessageBoxes::Icon::Error);
        }
    }
    if (untrashed.empty()) return;

    // No trash on that file system (or none may be made there): deleting for good cannot be
    // undone, so it needs its own yes.
    const QString forGood =
        untrashed.size() == 1
            ? QStringLiteral("无法将文件:\"%1\"移到回收站，是否彻底删除？")
                  .arg(PathOf(untrashed.front()))
            : QStringLiteral("有%1个文件无法移到回收站，是否彻底删除？").arg(untrashed.size());
    if (!boxes_.AskYesNo(forGood, kWarningCaption, MessageBoxes::Icon::Warning,
                         MessageBoxes::Answer::No))
        return;
    for (int row : untrashed) {  // still from the last row up
        const QString path = PathOf(row);
        if (RemoveForGood(path))
            RemoveRow(row);
        else
            boxes_.Tell(QStringLiteral("删除文件:%1出错!").arg(path), MessageBoxes::Icon::Error);
    }
}

void LocalFileList::RemoveRow(int row) {
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

bool LocalFileList::Rename(int row, const QString& newName) {
    if (row < 0 || row >= RowCount()) return false;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.kind != Kind::File && r.kind != Kind::Folder) return false;
    if (newName.isEmpty() || newName == r.name) return false;
    if (newName.contains(QLatin1Char('/')) || newName.contains(QChar(0)) ||
        newName == QLatin1String(".") || newName == QLatin1String("..")) {
        boxes_.Tell(QStringLiteral("文件名不能包含\"/\"或空字符，也不能是\".\"或\"..\"!"),
                    MessageBoxes::Icon::Warning);
        return false;
    }
    const QString from = PathOf(row);
    const QString to =
        (currentFolder_.endsWith(QLatin1Char('/')) ? currentFolder_ : currentFolder_ + u'/') +
        newName;
    const QByteArray fromBytes = QFile::encodeName(from);
    const QByteArray toBytes = QFile::encodeName(to);
    int result = ::renameat2(AT_FDCWD, fromBytes.constData(), AT_FDCWD, toBytes.constData(),
                             RENAME_NOREPLACE);
    int error = result == 0 ? 0 : errno;
    if (error == EINVAL || error == ENOSYS || error == EEXIST) {
        // Without the no-replace flag (some file systems), or a name that differs only in case
        // on a file system that ignores case: go ahead only when the new name is free or is the
        // very same file.
        struct stat source {};
        struct stat target {};
        const bool taken = ::lstat(toBytes.constData(), &target) == 0;
        const bool same = taken && ::lstat(fromBytes.constData(), &source) == 0 &&
                          source.st_dev == target.st_dev && source.st_ino == target.st_ino;
        if (taken && !same) {
            error = EEXIST;
        } else {
            result = ::rename(fromBytes.constData(), toBytes.constData());
            error = result == 0 ? 0 : errno;
        }
    }
    if (error == EEXIST) {
        boxes_.Tell(QStringLiteral("已经存在名为\"%1\"的文件或文件夹，请换一个名字!").arg(newName),
                    MessageBoxes::Icon::Warning);
        return false;
    }
    if (error != 0) {
        boxes_.Tell(QStringLiteral("重命名文件:%1出错!\n%2").arg(from, Reason(error)),
                    MessageBoxes::Icon::Error);
        return false;
    }
    r.name = newName;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
    return true;
}

std::vector<LocalFileList::Pick> LocalFileList::PickedFiles(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<Pick> picks;
    for (int row : rows) {
        if (row < 0 || row >= RowCount() || RowAt(row).kind != Kind::File) continue;
        picks.push_back(Pick{PathOf(row), RowAt(row).name});
    }
    return picks;
}

int LocalFileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

QVariant LocalFileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount()) return {};
    const Row& r = RowAt(index.row());
    switch (role) {
        case Qt::DisplayRole:
            if (r.kind == Kind::Home || r.kind == Kind::Desktop || r.kind == Kind::Downloads)
                return r.label;
            if (r.kind == Kind::Drive && !r.label.isEmpty() && r.name != QLatin1String("/"))
                return QStringLiteral("%1 (%2)").arg(r.label, r.name);
            return r.name;
        case Qt::EditRole:
            return r.name;
        case Qt::ToolTipRole:
            return PlainToolTip(PathOf(index.row()));
        case kPathRole:
            return PathOf(index.row());
        case kKindRole:
            return static_cast<int>(r.kind);
        default:
            return {};
    }
}

bool LocalFileList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    return Rename(index.row(), value.toString());
}

Qt::ItemFlags LocalFileList::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= RowCount()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Kind kind = RowAt(index.row()).kind;
    if (kind == Kind::File || kind == Kind::Folder)
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

QStringList LocalFileList::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* LocalFileList::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || index.row() >= RowCount()) continue;
        const Kind kind = RowAt(index.row()).kind;
        if (kind == Kind::File || kind == Kind::Folder)
            urls.append(QUrl::fromLocalFile(PathOf(index.row())));
    }
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    mime->setData(kDragMimeType, QFile::encodeName(currentFolder_));
    return mime.release();  // the view's drag takes it
}

}  // namespace tessan
