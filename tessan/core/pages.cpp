#include "core/pages.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace tessan {

TitledPage::TitledPage(const QString& title, const QString& objectName, QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    setAccessibleName(title);
    auto* label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("pageTitle"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}

ViewFilesPage::ViewFilesPage(const QString& downloadFolder, QWidget* parent)
    : QWidget(parent),
      folder_(downloadFolder),
      model_(new QFileSystemModel(this)),
      view_(new QTreeView(this)) {
    setObjectName(QStringLiteral("viewFilesPage"));
    setAccessibleName(QStringLiteral("查阅文件"));
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
