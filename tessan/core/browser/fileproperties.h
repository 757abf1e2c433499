// What the properties dialog shows about a file, folder or drive: type, location, size, dates,
// owner and permissions, as label and value texts in display order.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace tessan {

struct FileProperties {
    QString name;
    // Label and value pairs; empty when the path does not exist.
    std::vector<std::pair<QString, QString>> lines;
};

// Reads `path` now. A folder's size counts its direct files only, so that opening the dialog
// on a large tree stays quick.
FileProperties DescribeFile(const QString& path);

// "1,234 字节" below 1 KiB, else "1.2 MB (1,234,567 字节)".
QString SizeText(qint64 bytes);

}  // namespace tessan
