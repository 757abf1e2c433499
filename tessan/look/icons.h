// The program's icons: the desktop icon theme's when it has one, else the scalable copy bundled in
// the program's resources, so that every icon exists and stays sharp at any screen density.
#pragma once

#include <QIcon>
#include <QString>

namespace tessan {

enum class LookIcon {
    App,
    Folder,
    Drive,
    Computer,
    Desktop,
    Home,
    Download,
    GoUp,
    // The message boxes' icons.
    Information,
    Question,
    Warning,
    Error,
};

// The resource path of the bundled copy (":/tessan/icons/folder.svg").
QString BundledIconPath(LookIcon which);
// The theme's name for it ("folder", "drive-harddisk", ...).
QString ThemeIconName(LookIcon which);
QIcon Icon(LookIcon which);

// The bundled default banner of the login dialog.
QString BundledBannerPath();

}  // namespace tessan
