// The program folder and the small files and folders beside the program.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace tessan {

// The folder of the running program (/proc/self/exe cut at its last '/'); empty when unknown.
QString ProgramFolder();

// "<appDir>/<name>".
QString LocalPath(const QString& appDir, QStringView name);

// Creates "<appDir>/cache" and "<appDir>/log"; failures (an existing folder included) are ignored:
// a missing log folder only makes log writing fail quietly.
void CreateWorkingFolders(const QString& appDir);

// Reads the first byte of "<appDir>/para.ini" into `parameter`; leaves it untouched and returns
// false when the file is missing or empty.
bool ReadParameterFile(const QString& appDir, std::uint8_t& parameter);

}  // namespace tessan
