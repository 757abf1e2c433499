// The location drop-down: the places of BuildLocations with their icons (the desktop theme's or
// the bundled ones), the folders below a place indented. Choosing one reports its path; the
// file browser then shows that folder and calls SetFolder.
#pragma once

#include "look/locations.h"

#include <QComboBox>

#include <vector>

namespace tessan {

class LocationBox : public QComboBox {
    Q_OBJECT
  public:
    // `roots` empty: the machine's own (SystemLocationRoots()).
    explicit LocationBox(QWidget* parent = nullptr);
    LocationBox(LocationRoots roots, QWidget* parent);

    // Lists the places for `folder` (a path or kComputerPath) and selects it.
    void SetFolder(const QString& folder);
    QString Folder() const { return folder_; }
    const std::vector<Location>& Locations() const { return locations_; }

  signals:
    // The user chose a place; `path` is a folder or kComputerPath.
    void locationChosen(const QString& path);

  private:
    LocationRoots roots_;
    QString folder_;
    std::vector<Location> locations_;
};

}  // namespace tessan
