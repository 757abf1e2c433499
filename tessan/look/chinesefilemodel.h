// A folder view's model in Chinese whatever the user's language setting: the headers "名称",
// "大小", "类型", "修改日期", sizes as FormatSize and dates as FormatDateTime. It sits over a
// QFileSystemModel, whose own texts follow the system locale.
#pragma once

#include <QIdentityProxyModel>

class QFileSystemModel;

namespace tessan {

class ChineseFileModel final : public QIdentityProxyModel {
    Q_OBJECT
  public:
    explicit ChineseFileModel(QFileSystemModel* source, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QFileSystemModel* Files() const { return files_; }

  private:
    QFileSystemModel* files_;
};

}  // namespace tessan
