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

// Creates "<appDir>/cache" and "<appDir>/log", readable by the user only (an existing one is made
// so); failures are reported in the diagnostics and otherwise ignored: a missing log folder only
// makes log writing fail.
void CreateWorkingFolders(const QString& appDir);

// Creates `path` with its missing parents; the folder itself is made readable by the user only.
// False when it is not a folder afterwards.
bool MakePrivateFolder(const QString& path);

// "<the user's download folder>/Tessan": where downloads go. The program's own folder cannot hold
// them (the program itself is the file "tessan" there).
QString UserDownloadFolder();

// Reads the first byte of "<appDir>/para.ini" into `parameter`; leaves it untouched and returns
// false when the file is missing or empty.
bool ReadParameterFile(const QString& appDir, std::uint8_t& parameter);

}  // namespace tessan
