// The per-account send and receive logs: "<AppDir>/log/<account>_SendLog.txt" and
// "..._RecvLog.txt", GBK lines with CR LF that only ever grow here.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

namespace tessan {

enum class TransferLog { Send, Receive };

QString TransferLogPath(const QString& appDir, const QByteArray& account, TransferLog log);

// Appends `text` to the account's log, on a line of its own. A log that cannot be opened is skipped
// (and reported in the diagnostics), and so is an account number that would name a file outside the
// log folder.
void WriteTransferLog(const QString& appDir, const QByteArray& account, const QByteArray& text,
                      TransferLog log);

// The lines, as GBK bytes. Widths count bytes, so a two-byte character counts twice; longer
// values are written whole.
QByteArray SendLogLine(const QDateTime& time, const QByteArray& recipientNumber,
                       const QByteArray& recipientName, const QByteArray& fileName);
QByteArray ReceiveLogLine(const QDateTime& time, const QByteArray& senderNumber,
                          const QByteArray& senderName, const QByteArray& fileName);

// The logs of one program folder, stamped by one clock.
class TransferLogs {
  public:
    using Clock = std::function<QDateTime()>;

    // The default clock is the local time.
    explicit TransferLogs(QString appDir, Clock clock = {});

    // A completed upload, in `account`'s send log.
    void LogSent(const QByteArray& account, const QByteArray& recipientNumber,
                 const QByteArray& recipientName, const QByteArray& fileName) const;
    // A completed download, in `account`'s receive log.
    void LogReceived(const QByteArray& account, const QByteArray& senderNumber,
                     const QByteArray& senderName, const QByteArray& fileName) const;

  private:
    QString appDir_;
    Clock clock_;
};

}  // namespace tessan
