#include "core/transfers/transferlogs.h"

#include "core/base/diagnostics.h"
#include "core/base/gbk.h"

#include <QFile>

namespace tessan {

namespace {

QByteArray LeftAligned(const QByteArray& gbk, qsizetype width) {
    return gbk.size() >= width ? gbk : gbk + QByteArray(width - gbk.size(), ' ');
}

QByteArray TimeField(const QDateTime& time) {
    return QStringToGbk(time.toString(QStringLiteral("yyyy年MM月dd日 HH:mm:ss")));
}

}  // namespace

QString TransferLogPath(const QString& appDir, const QByteArray& account, TransferLog log) {
    const QString suffix =
        log == TransferLog::Send ? QStringLiteral("_SendLog.txt") : QStringLiteral("_RecvLog.txt");
    return appDir + QStringLiteral("/log/") + GbkToQString(account) + suffix;
}

void WriteTransferLog(const QString& appDir, const QByteArray& account, const QByteArray& text,
                      TransferLog log) {
    if (account.contains('/') || account.contains('\\') || account.contains('\0')) {
        qCWarning(lcFiles) << "no transfer log for the account" << account;
        return;
    }
    QFile file(TransferLogPath(appDir, account, log));
    // Created when absent (readable by the user only), never truncated.
    if (!file.open(QIODevice::ReadWrite, QFile::ReadOwner | QFile::WriteOwner)) {
        qCWarning(lcFiles) << "transfer log not written:" << file.fileName() << file.errorString();
        return;
    }
    // A log the user saved without a final line break: the new line still starts a line.
    QByteArray bytes = text;
    if (const qint64 size = file.size(); size > 0) {
        char last = '\n';
        if (file.seek(size - 1) && file.getChar(&last) && last != '\n') bytes.prepend("\r\n");
    }
    if (!file.seek(file.size()) || file.write(bytes) != bytes.size())
        qCWarning(lcFiles) << "transfer log not written:" << file.fileName() << file.errorString();
}

QByteArray SendLogLine(const QDateTime& time, const QByteArray& recipientNumber,
                       const QByteArray& recipientName, const QByteArray& fileName) {
    return '[' + TimeField(time) + "] " + QStringToGbk(QStringLiteral("[发送] 至:")) +
           LeftAligned(recipientNumber, 18) + ',' + LeftAligned(recipientName, 10) +
           QStringToGbk(QStringLiteral(".文件:")) + fileName + ",\r\n";
}

QByteArray ReceiveLogLine(const QDateTime& time, const QByteArray& senderNumber,
                          const QByteArray& senderName, const QByteArray& fileName) {
    return '[' + TimeField(time) + "] " + QStringToGbk(QStringLiteral("[接收] 自:")) +
           LeftAligned(senderNumber, 18) + ',' + LeftAligned(senderName, 10) +
           QStringToGbk(QStringLiteral(" 文件:")) + fileName + "\r\n";
}

TransferLogs::TransferLogs(QString appDir, Clock clock)
    : appDir_(std::move(appDir)),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {}

void TransferLogs::LogSent(const QByteArray& account, const QByteArray& recipientNumber,
                           const QByteArray& recipientName, const QByteArray& fileName) const {
    WriteTransferLog(appDir_, account,
                     SendLogLine(clock_(), recipientNumber, recipientName, fileName),
                     TransferLog::Send);
}

void TransferLogs::LogReceived(const QByteArray& account, const QByteArray& senderNumber,
                               const QByteArray& senderName, const QByteArray& fileName) const {
    WriteTransferLog(appDir_, account, ReceiveLogLine(clock_(), senderNumber, senderName, fileName),
                     TransferLog::Receive);
}

}  // namespace tessan
