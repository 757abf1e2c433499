#include "core/browser/localfilelistview.h"

#include "core/browser/propertiesdialog.h"
#include "look/icons.h"
#include "look/locations.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace tessan {
namespace {

using Kind = LocalFileList::Kind;

}  // namespace

LocalFileList::Services SystemFileServices() {
    LocalFileList::Services services;
    services.desktopFolder = DesktopFolder();
    services.homeFolder = QDir::homePath();
    services.downloadsFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    services.volumes = [] {
        std::vector<Volume> volumes;
        for (const Drive& drive : SystemLocationRoots().drives)
            volumes.push_back(Volume{drive.root, drive.name});
        return volumes;
    };
    services.openFile = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    services.moveToTrash = [](const QString& path) { return QFile::moveToTrash(path); };
    return services;
}

QVariant LocalFileIcons::data(const QModelIndex& index, int role) const {
    if (role != Qt::DecorationRole) return QIdentityProxyModel::data(index, role);
    const auto kind = static_cast<Kind>(index.data(LocalFileList::kKindRole).toInt());
    switch (kind) {
        case Kind::Computer:
            return Icon(LookIcon::Computer);
        case Kind::Up:
            return Icon(LookIcon::GoUp);
        case Kind::Drive:
            return Icon(LookIcon::Drive);
        case Kind::Folder:
            return Icon(LookIcon::Folder);
        case Kind::Home:
            return Icon(LookIcon::Home);
        case Kind::Desktop:
            return Icon(LookIcon::Desktop);
        case Kind::Downloads:
            return Icon(LookIcon::Download);
        case Kind::File:
            break;
    }
    // By the name's type only: reading every file's head would make a large folder slow.
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(index.data(LocalFileList::kPathRole).toString(),
                                                 QMimeDatabase::MatchExtension);
    auto it = byType_.find(type.name());
    if (it == byType_.end()) {
        const QIcon generic = QIcon::fromTheme(
            type.genericIconName(),
            QIcon::fromTheme(QStringLiteral("text-x-generic"),
                             QApplication::style()->standardIcon(QStyle::SP_FileIcon)));
        it = byType_.insert(type.name(), QIcon::fromTheme(type.iconName(), generic));
    }
    return *it;
}

LocalFileListView::LocalFileListView(LocalFileList& list, QWidget* parent)
    : QListView(parent), list_(list), icons_(this) {
    setObjectName(QStringLiteral("localFileList"));
    icons_.setSourceModel(&list_);
    setModel(&icons_);
    setViewMode(QListView::ListMode);
    setUniformItemSizes(true);  // a folder of thousands of files lays out at once
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setIconSize(QSize(16, 16));

    // A double click opens, whatever the desktop's single-click setting: one click only selects,
    // so that files can be picked for sending. Return opens too (keyPressEvent).
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { list_.Open(index.row()); });

    itemMenu_ = new QMenu(this);
    itemMenu_->setObjectName(QStringLiteral("itemMenu"));
    itemMenu_->addAction(QStringLiteral("发送给好友(&S)"), this, &LocalFileListView::sendRequested);
    itemMenu_->addSeparator();
    itemMenu_->addAction(QStringLiteral("打开(&O)"), this, &LocalFileListView::OpenSelected);
    itemMenu_->addSeparator();
    itemMenu_->addAction(QStringLiteral("删除(&D)"), this, &LocalFileListView::DeleteSelected);
    itemMenu_->addAction(QStringLiteral("重命名(&E)"), this, &LocalFileListView::RenameSelected);
    itemMenu_->addSeparator();
    itemMenu_->addAction(QStringLiteral("属性(&R)"), this, &LocalFileListView::ShowProperties);

    backgroundMenu_ = new QMenu(this);
    backgroundMenu_->setObjectName(QStringLiteral("backgroundMenu"));
    backgroundMenu_->addAction(QStringLiteral("刷新(&F)"), this, [this] { list_.RefreshFolder(); });
    backgroundMenu_->addSeparator();
    backgroundMenu_->addAction(QStringLiteral("属性(&R)"), this,
                               &LocalFileListView::ShowProperties);
}

std::vector<int> LocalFileListView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void LocalFileListView::OpenSelected() {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) list_.Open(rows.front());
}

void LocalFileListView::DeleteSelected() {
    list_.Delete(SelectedRows());
}

void LocalFileListView::RenameSelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const QModelIndex index = model()->index(rows.front(), 0);
    setCurrentIndex(index);
    edit(index);
}

void LocalFileListView::ShowProperties() {
    const std::vector<int> rows = SelectedRows();
    const QString path = rows.empty() ? list_.CurrentFolder() : list_.PathOf(rows.front());
    if (path.isEmpty() || (!rows.empty() && list_.RowAt(rows.front()).kind == Kind::Computer))
        return;
    PropertiesDialog dialog(path, this);
    dialog.exec();
}

void LocalFileListView::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Delete) {
            DeleteSelected();
            return;
        }
        if (event->key() == Qt::Key_F5) {
            list_.RefreshFolder();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (currentIndex().isValid()) list_.Open(currentIndex().row());
            return;
        }
    }
    QListView::keyPressEvent(event);
}

void LocalFileListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex under = indexAt(event->pos());
    if (under.isValid() && !selectionModel()->isSelected(under))
        selectionModel()->select(under, QItemSelectionModel::ClearAndSelect);
    QMenu* menu = SelectedRows().empty() ? backgroundMenu_ : itemMenu_;
    menu->popup(event->globalPos());
}

void LocalFileListView::startDrag(Qt::DropActions supportedActions) {
    QModelIndexList indexes;
    for (int row : SelectedRows()) indexes.append(list_.index(row));
    std::unique_ptr<QMimeData> mime(list_.mimeData(indexes));
    if (!mime || mime->urls().isEmpty()) return;
    emit dragStarted();
    auto* drag = new QDrag(this);  // deletes itself when the drag ends
    drag->setMimeData(mime.release());
    const Qt::DropAction action = drag->exec(supportedActions & Qt::CopyAction, Qt::CopyAction);
    emit dragFinished(action != Qt::IgnoreAction);
}

}  // namespace tessan
