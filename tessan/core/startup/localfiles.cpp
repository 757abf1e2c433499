#include "core/startup/localfiles.h"

#include "core/base/diagnostics.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

namespace {
constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
}  // namespace

bool MakePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path)) {
        qCWarning(lcFiles) << "folder not created:" << path;
        return false;
    }
    if (!QFile::setPermissions(path, kOwnerOnly))
        qCWarning(lcFiles) << "folder not made private:" << path;
    return true;
}

void CreateWorkingFolders(const QString& appDir) {
    MakePrivateFolder(LocalPath(appDir, u"cache"));
    MakePrivateFolder(LocalPath(appDir, u"log"));
}

QString UserDownloadFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (base.isEmpty()) base = QDir::homePath();
    return base + QStringLiteral("/Tessan");
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
