// The properties of one file, folder or drive, read when the dialog opens.
#pragma once

#include <QDialog>

namespace tessan {

class PropertiesDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit PropertiesDialog(const QString& path, QWidget* parent = nullptr);
};

}  // namespace tessan
