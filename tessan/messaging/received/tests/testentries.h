// Received-file entries for the page's tests.
#pragma once

#include "core/base/gbk.h"
#include "messaging/received/receivedfileentry.h"

namespace tessan {

inline QByteArray Gbk(const char* utf8) {
    return QStringToGbk(QString::fromUtf8(utf8));
}

inline ReceivedFileEntry Entry(const char* sender, const char* file, std::uint32_t size = 100,
                               std::uint32_t sent = 0, const char* name = "李四") {
    ReceivedFileEntry e;
    e.senderNumber = sender;
    e.senderName = Gbk(name);
    e.senderKey = QByteArray("key-") + sender;
    e.storedName = QByteArray(sender) + '@' + Gbk(file);
    e.fileSize = size;
    e.sentTime = sent;
    return e;
}

// A file-list reply's data: the records back to back.
inline QByteArray Records(std::initializer_list<ReceivedFileEntry> entries) {
    QByteArray data;
    for (const ReceivedFileEntry& e : entries) data += e.Serialize();
    return data;
}

}  // namespace tessan
