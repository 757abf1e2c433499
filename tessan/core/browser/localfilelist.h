// LocalFileList: the rules of the send page's file browser. It browses the way a file manager's
// side pane does: a desktop level (the desktop folder with "我的电脑" on top), a "我的电脑" level
// with the user's places (home, desktop, downloads) and the mounted drives, and the folders below
// them. It opens files with the desktop's program for them, deletes to the trash, renames in place
// and hands the chosen files to the send page. The view only shows this model and passes on the
// user's gestures; it never changes rows itself.
#pragma once

#include "core/base/messageboxes.h"

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace tessan {

// A mounted volume as the "我的电脑" level lists it.
struct Volume {
    QString root;   // mount point, "/" for the root file system
    QString label;  // the volume's name; may be empty
};

// The desktop folder (XDG); the home folder when no desktop folder exists, as the freedesktop
// user-dirs rules have it.
QString DesktopFolder();

// Names compared the way the list sorts them: ASCII letters folded, every other byte by value;
// names equal that way keep a fixed order by their bytes. The arguments are UTF-8.
bool FileNameLess(const QByteArray& a, const QByteArray& b);

class LocalFileList final : public QAbstractListModel {
    Q_OBJECT
  public:
    enum class Kind : std::uint8_t { File, Folder, Drive, Up, Computer, Home, Desktop, Downloads };
    struct Row {
        // File or folder name; the folder of a place or a drive's mount point; ".." or "我的电脑"
        QString name;
        Kind kind = Kind::File;
        QString label;  // a drive's volume name or a place's name; empty for other rows
    };

    // Row data for the view beyond the display text.
    enum Role { kKindRole = Qt::UserRole + 1, kPathRole };

    static const QString kComputer;  // "我的电脑": the drives level, also a path for ShowFolder
    static const QString kUp;        // ".."
    // A drag out of this list carries this type besides the files' URLs, so that the send page
    // tells it from files dragged in from the desktop.
    static const QString kDragMimeType;

    // What the list needs from the desktop; the program passes SystemFileServices() (the
    // view's), tests fakes.
    struct Services {
        QString desktopFolder;
        // Listed with the desktop above the drives; empty or the home folder itself: not listed.
        QString homeFolder;
        QString downloadsFolder;
        std::function<std::vector<Volume>()> volumes;
        // Opens a file with the desktop's program for it; false when none could be started.
        std::function<bool(const QString& path)> openFile;
        // Moves a file or folder to the trash; false when it cannot (no trash on that file
        // system, no permission, gone).
        std::function<bool(const QString& path)> moveToTrash;
    };
    LocalFileList(MessageBoxes& boxes, Services services, QObject* parent = nullptr);
    ~LocalFileList() override;

    // Shows `path` (an absolute folder, or kComputer for the drives). A folder that cannot be
    // read keeps the rows, the folder and the level as they were, tells the user why and
    // returns false.
    bool ShowFolder(const QString& path, bool topLevel);
    // The parent level: from a folder its parent, from a drive's root the drives, from the
    // drives the desktop; nothing at the desktop level.
    void GoUp();
    void ShowDesktop();
    // Lists the current folder (or the drives) again, at the same level.
    void RefreshFolder();

    // The folder shown, without a trailing '/' ("/" itself excepted); empty at the drives level.
    QString CurrentFolder() const { return currentFolder_; }
    // The folder shown, or kComputer at the drives level: what the location box shows.
    QString Location() const;
    bool TopLevel() const { return topLevel_; }

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& RowAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // Index of the row called `name`; -1 when none.
    int FindRow(const QString& name) const;
    // "<current folder>/<name>", or the name alone at the drives level.
    QString PathOf(int row) const;

    // Double click, Return or "打开(&O)" on `row`: enters a folder, place or drive, opens a file.
    void Open(int row);
    // Delete key or "删除(&D)" on the selected `rows`: asks once, moves them to the trash and
    // asks again before deleting for good what cannot go there. ".." and the places of the
    // upper levels are never deleted.
    void Delete(std::vector<int> rows);
    // Renames the file or folder of `row` to `newName` in its folder. Refuses, with a message,
    // names that are not a single file name and names already taken; never replaces a file.
    // Nothing happens for an empty or unchanged name nor for rows that are not files or folders.
    bool Rename(int row, const QString& newName);
    // The files among the selected `rows` (list order), as full paths and as listed names.
    struct Pick {
        QString path;
        QString name;
    };
    std::vector<Pick> PickedFiles(std::vector<int> rows) const;

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

  signals:
    // The location shown changed (a folder, or kComputer): the location box follows it.
    void locationChanged(const QString& location);

  private:
    // Reads the folder's entries into `rows`; false with the reason in `error` when it cannot.
    bool ListFolder(const QString& folder, bool topLevel, std::vector<Row>& rows,
                    QString& error) const;
    // The "我的电脑" level: the places, then the drives.
    std::vector<Row> ListComputer() const;
    bool IsVolumeRoot(const QString& folder) const;
    void Replace(std::vector<Row> rows, QString folder, bool topLevel);
    void RemoveRow(int row);
    void TellError(const QString& text) const;

    MessageBoxes& boxes_;
    Services services_;
    QString currentFolder_;
    bool topLevel_ = false;
    std::vector<Row> rows_;
};

}  // namespace tessan
