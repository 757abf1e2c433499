// The per-account send and receive logs: "<AppDir>/log/<account>_SendLog.txt" and
// "..._RecvLog.txt", GBK lines with CR LF that only ever grow here.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace tessan {

enum class TransferLog { Send, Receive };

QString TransferLogPath(const QString& appDir, const QByteArray& account, TransferLog log);

// Appends `text` to the account's log. A log that cannot be opened is skipped without a word, and
// so is an account number that would name a file outside the log folder.
void WriteTransferLog(const QString& appDir, const QByteArray& account, const QByteArray& text,
                      TransferLog log);

// The lines, as GBK bytes. Widths count bytes, so a two-byte character counts twice; longer
// values are written whole.
QByteArray SendLogLine(const QDateTime& time, const QByteArray& recipientNumber,
                       const QByteArray& recipientName, const QByteArray& fileName);
QByteArray ReceiveLogLine(const QDateTime& time, const QByteArray& senderNumber,
                          const QByteArray& senderName, const QByteArray& fileName);

}  // namespace tessan
