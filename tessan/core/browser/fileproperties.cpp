#include "core/browser/fileproperties.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStorageInfo>

#include <iterator>

namespace tessan {
namespace {

QString DateText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy年M月d日 HH:mm:ss")) : QString();
}

// "rwxr-x---" of the mode bits.
QString ModeText(QFileDevice::Permissions p) {
    QString text;
    const auto bit = [&](QFileDevice::Permission which, QChar c) {
        text += p.testFlag(which) ? c : QLatin1Char('-');
    };
    bit(QFileDevice::ReadOwner, u'r');
    bit(QFileDevice::WriteOwner, u'w');
    bit(QFileDevice::ExeOwner, u'x');
    bit(QFileDevice::ReadGroup, u'r');
    bit(QFileDevice::WriteGroup, u'w');
    bit(QFileDevice::ExeGroup, u'x');
    bit(QFileDevice::ReadOther, u'r');
    bit(QFileDevice::WriteOther, u'w');
    bit(QFileDevice::ExeOther, u'x');
    return text;
}

}  // namespace

QString SizeText(qint64 bytes) {
    QString digits = QString::number(bytes);
    for (qsizetype at = digits.size() - 3; at > (bytes < 0 ? 1 : 0); at -= 3)
        digits.insert(at, QLatin1Char(','));
    const QString exact = QStringLiteral("%1 字节").arg(digits);
    if (bytes < 1024) return exact;
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2 (%3)")
        .arg(QString::number(value, 'f', 1), QLatin1String(kUnits[unit]), exact);
}

FileProperties DescribeFile(const QString& path) {
    FileProperties properties;
    QFileInfo info(path);
    properties.name = info.fileName().isEmpty() ? path : info.fileName();
    if (!info.exists() && !info.isSymLink()) return properties;
    auto& lines = properties.lines;

    QString type;
    if (info.isSymLink()) {
        type = info.isDir() ? QStringLiteral("指向文件夹的链接") : QStringLiteral("链接");
    } else if (info.isDir()) {
        type = QStringLiteral("文件夹");
    } else {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
        type = mime.comment().isEmpty()
                   ? QStringLiteral("文件")
                   : QStringLiteral("%1 (%2)").arg(mime.comment(), mime.name());
    }
    lines.emplace_back(QStringLiteral("类型:"), type);
    if (info.isSymLink()) lines.emplace_back(QStringLiteral("链接到:"), info.symLinkTarget());
    lines.emplace_back(QStringLiteral("位置:"), QDir::cleanPath(info.absolutePath()));

    if (info.isDir()) {
        QDir dir(path);
        const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                        QDir::Hidden | QDir::System);
        qint64 files = 0;
        qint64 folders = 0;
        qint64 bytes = 0;
        for (const QFileInfo& entry : entries) {
            if (entry.isDir()) {
                ++folders;
            } else {
                ++files;
                bytes += entry.size();
            }
        }
        lines.emplace_back(QStringLiteral("包含:"),
                           QStringLiteral("%1 个文件，%2 个文件夹").arg(files).arg(folders));
        lines.emplace_back(QStringLiteral("文件大小:"), SizeText(bytes));
        const QStorageInfo storage(path);
        if (storage.isValid() && QDir::cleanPath(storage.rootPath()) == QDir::cleanPath(path)) {
            lines.emplace_back(QStringLiteral("文件系统:"),
                               QString::fromLatin1(storage.fileSystemType()));
            lines.emplace_back(QStringLiteral("总容量:"), SizeText(storage.bytesTotal()));
            lines.emplace_back(QStringLiteral("可用空间:"), SizeText(storage.bytesAvailable()));
        }
    } else {
        lines.emplace_back(QStringLiteral("大小:"), SizeText(info.size()));
    }

    const QDateTime born = info.birthTime();
    if (born.isValid()) lines.emplace_back(QStringLiteral("创建时间:"), DateText(born));
    lines.emplace_back(QStringLiteral("修改时间:"), DateText(info.lastModified()));
    lines.emplace_back(QStringLiteral("访问时间:"), DateText(info.lastRead()));
    lines.emplace_back(QStringLiteral("所有者:"),
                       QStringLiteral("%1 (组 %2)").arg(info.owner(), info.group()));
    lines.emplace_back(QStringLiteral("权限:"), ModeText(info.permissions()));
    const QString access = info.isWritable()   ? QStringLiteral("可读写")
                           : info.isReadable() ? QStringLiteral("只读")
                                               : QStringLiteral("不可读");
    lines.emplace_back(QStringLiteral("你的权限:"), access);
    return properties;
}

}  // namespace tessan
