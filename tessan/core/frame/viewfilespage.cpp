#include "core/frame/viewfilespage.h"

#include "core/session/clientsession.h"
#include "core/startup/localfiles.h"
#include "look/chinesefilemodel.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace tessan {

ViewFilesPage::ViewFilesPage(ClientSession& session, QWidget* parent)
    : Page(session, QStringLiteral("查阅文件"), QStringLiteral("viewFilesPage"), parent),
      folder_(session.DownloadFolder()),  // fixed before the pages are made
      model_(new QFileSystemModel(this)),
      view_(new QTreeView(this)) {
    view_->setObjectName(QStringLiteral("downloadFolderView"));
    view_->setAccessibleName(QStringLiteral("下载的文件"));
    // Chinese headers, sizes and dates whatever the desktop's language.
    view_->setModel(new ChineseFileModel(model_, view_));
    view_->setRootIsDecorated(false);
    view_->setSortingEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &QTreeView::activated, this, [this](const QModelIndex& shown) {
        const QModelIndex index = Chinese().mapToSource(shown);
        if (!model_->isDir(index))
            QDesktopServices::openUrl(QUrl::fromLocalFile(model_->filePath(index)));
    });
}

ChineseFileModel& ViewFilesPage::Chinese() const {
    return static_cast<ChineseFileModel&>(*view_->model());
}

void ViewFilesPage::Refresh() {
    MakePrivateFolder(folder_);
    view_->setRootIndex(Chinese().mapFromSource(model_->setRootPath(folder_)));
}

}  // namespace tessan
