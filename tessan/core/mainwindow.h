// The client's only top-level window. For now it carries the title and the help button; the pages,
// the login and the transfer list are wired into it as they are built.
#pragma once

#include "core/messageboxes.h"

#include <QDialog>
#include <QString>

namespace tessan {

class MainWindow final : public QDialog {
    Q_OBJECT
  public:
    static const QString kInitialTitle;

    MainWindow(QString appDir, MessageBoxes& boxes, QWidget* parent = nullptr);

  private:
    QString appDir_;
    MessageBoxes& boxes_;
};

}  // namespace tessan
