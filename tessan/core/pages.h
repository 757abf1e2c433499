// The pages of the main window's page area that have no content of their own yet, and the
// view-files page, which shows the download folder.
#pragma once

#include <QWidget>

class QFileSystemModel;
class QTreeView;

namespace tessan {

// A page that shows only its title until its own issue fills it.
class TitledPage final : public QWidget {
    Q_OBJECT
  public:
    TitledPage(const QString& title, const QString& objectName, QWidget* parent = nullptr);
};

// "查阅文件": the download folder "<AppDir>/tessan" as a folder view; double click opens a file.
class ViewFilesPage final : public QWidget {
    Q_OBJECT
  public:
    ViewFilesPage(const QString& downloadFolder, QWidget* parent = nullptr);
    // Shows the folder again, as it is now.
    void Refresh();
    QTreeView* View() const { return view_; }

  private:
    QString folder_;
    QFileSystemModel* model_;
    QTreeView* view_;
};

}  // namespace tessan
