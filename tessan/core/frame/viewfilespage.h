// "查阅文件": the download folder as a folder view; double click opens a file.
#pragma once

#include "core/frame/page.h"

class QFileSystemModel;
class QTreeView;

namespace tessan {

class ChineseFileModel;

class ViewFilesPage final : public Page {
    Q_OBJECT
  public:
    explicit ViewFilesPage(ClientSession& session, QWidget* parent = nullptr);

    // Shows the folder again, as it is now.
    void Shown() override { Refresh(); }
    void Refresh();
    QTreeView* View() const { return view_; }

  private:
    ChineseFileModel& Chinese() const;

    QString folder_;
    QFileSystemModel* model_;
    QTreeView* view_;
};

}  // namespace tessan
