#pragma once

#include <QString>

namespace tessan {

// Opens "<appDir>/tessan.chm" with the desktop's viewer; a missing file or viewer is not reported.
void OpenHelp(const QString& appDir);

}  // namespace tessan
