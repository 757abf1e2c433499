// The file browser's list: shows a LocalFileList with the desktop's icons and passes on what the
// user does (double click, keys, the two context menus, editing a name, dragging files out).
#pragma once

#include "core/browser/localfilelist.h"

#include <QIdentityProxyModel>
#include <QListView>

#include <vector>

class QMenu;

namespace tessan {

// The desktop's services for the list: the desktop folder, the drives the location box lists,
// opening with the desktop's program for the file, the freedesktop trash.
LocalFileList::Services SystemFileServices();

// Adds the icons: the look's for places (the theme's or the bundled ones), the theme's for each
// file's type with a generic file icon where it has none.
class LocalFileIcons final : public QIdentityProxyModel {
    Q_OBJECT
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    mutable QHash<QString, QIcon> byType_;
};

class LocalFileListView final : public QListView {
    Q_OBJECT
  public:
    explicit LocalFileListView(LocalFileList& list, QWidget* parent = nullptr);

    LocalFileList& List() { return list_; }
    // Selected rows in list order.
    std::vector<int> SelectedRows() const;

    // The item menu's and the background menu's commands.
    void OpenSelected();
    void DeleteSelected();
    void RenameSelected();
    void ShowProperties();

    // The menus as they pop up for the current selection (for tests and the context menu).
    QMenu* ItemMenu() const { return itemMenu_; }
    QMenu* BackgroundMenu() const { return backgroundMenu_; }

  signals:
    // "发送给好友(&S)": the send page sends the selected files.
    void sendRequested();
    // A drag of selected rows is starting / has ended; `dropped` is false when no one took it.
    void dragStarted();
    void dragFinished(bool dropped);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    LocalFileList& list_;
    LocalFileIcons icons_;
    QMenu* itemMenu_;
    QMenu* backgroundMenu_;
};

}  // namespace tessan
