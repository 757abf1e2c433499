#include "testsupport/tessdprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace tessan {

bool TessdProcess::Start(const QString& program, const QString& dataDir, const QStringList& extra,
                         bool demo) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                          QStringLiteral("--data"), dataDir};
    if (demo) arguments << QStringLiteral("--demo");
    process_.start(program, arguments + extra);
    if (!process_.waitForStarted(5000)) return false;
    static const QRegularExpression listening(
        QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        out += process_.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            port_ = match.captured(1).toInt();
            return true;
        }
    }
    return false;
}

void TessdProcess::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
}

bool WriteLoopbackServerList(const QString& path,
                             const std::vector<std::pair<QByteArray, int>>& prefixPorts) {
    QByteArray ini;
    for (const auto& [prefix, port] : prefixPorts)
        ini += '[' + prefix + "]\r\nserver=127.0.0.1\r\nport=" + QByteArray::number(port) + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size();
}

QList<QByteArray> StoredFiles(const QString& dataDir) {
    QList<QByteArray> contents;
    const QDir files(dataDir + QStringLiteral("/files"));
    for (const QString& name : files.entryList(QDir::Files)) {
        QFile file(files.filePath(name));
        if (file.open(QIODevice::ReadOnly)) contents << file.readAll();
    }
    return contents;
}

}  // namespace tessan
