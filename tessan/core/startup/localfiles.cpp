#include "core/startup/localfiles.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace tessan {

QString ProgramFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return QFile::decodeName(QByteArray::fromStdString(exe.parent_path().native()));
}

QString LocalPath(const QString& appDir, QStringView name) {
    return appDir + QLatin1Char('/') + name.toString();
}

void CreateWorkingFolders(const QString& appDir) {
    QDir dir(appDir);
    dir.mkdir(QStringLiteral("cache"));
    dir.mkdir(QStringLiteral("log"));
}

bool ReadParameterFile(const QString& appDir, std::uint8_t& parameter) {
    QFile file(LocalPath(appDir, u"para.ini"));
    if (!file.open(QIODevice::ReadOnly)) return false;
    char byte = 0;
    if (file.read(&byte, 1) != 1) return false;
    parameter = static_cast<std::uint8_t>(byte);
    return true;
}

}  // namespace tessan
