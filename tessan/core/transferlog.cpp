#include "core/transferlog.h"

#include "core/gbk.h"

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
    if (account.contains('/') || account.contains('\\') || account.contains('\0')) return;
    QFile file(TransferLogPath(appDir, account, log));
    // Created when absent, never truncated.
    if (!file.open(QIODevice::ReadWrite)) return;
    if (!file.seek(file.size())) return;
    file.write(text);
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

}  // namespace tessan
