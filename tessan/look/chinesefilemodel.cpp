#include "look/chinesefilemodel.h"

#include "look/chinese.h"

#include <QFileSystemModel>

namespace tessan {
namespace {

// QFileSystemModel's columns.
enum Column { kName = 0, kSize = 1, kType = 2, kModified = 3 };

}  // namespace

ChineseFileModel::ChineseFileModel(QFileSystemModel* source, QObject* parent)
    : QIdentityProxyModel(parent), files_(source) {
    setSourceModel(source);
}

QVariant ChineseFileModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole && index.isValid()) {
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
            case kSize:
                // Folders have no size of their own.
                return files_->isDir(source) ? QString() : FormatSize(files_->size(source));
            case kModified:
                return FormatDateTime(files_->lastModified(source));
            default:
                break;
        }
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant ChineseFileModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
            case kName:
                return QStringLiteral("名称");
            case kSize:
                return QStringLiteral("大小");
            case kType:
                return QStringLiteral("类型");
            case kModified:
                return QStringLiteral("修改日期");
            default:
                break;
        }
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

}  // namespace tessan
