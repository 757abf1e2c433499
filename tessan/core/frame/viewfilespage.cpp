#include "core/frame/viewfilespage.h"

#include "core/session/clientsession.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace tessan {

ViewFilesPage::ViewFilesPage(ClientSession& session, QWidget* parent)
    : Page(session, QStringLiteral("查阅文件"), QStringLiteral("viewFilesPage"), parent),
      folder_(session.DownloadFolder()),
      model_(new QFileSystemModel(this)),
      view_(new QTreeView(this)) {
    view_->setObjectName(QStringLiteral("downloadFolderView"));
    view_->setAccessibleName(QStringLiteral("下载的文件"));
    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setSortingEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (!model_->isDir(index))
            QDesktopServices::openUrl(QUrl::fromLocalFile(model_->filePath(index)));
    });
}

void ViewFilesPage::Refresh() {
    QDir().mkpath(folder_);
    view_->setRootIndex(model_->setRootPath(folder_));
}

}  // namespace tessan
