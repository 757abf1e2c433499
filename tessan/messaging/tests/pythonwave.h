// Reads a wave file with Python's own wave module, a reader independent of ours.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace tessan {

// "channels width rate frames compression sha256-of-frames", or an error text starting with "!".
inline QString ReadWaveWithPython(const QString& path) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) return QStringLiteral("! python3 missing (scripts/ensure-packages.sh)");
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import sys, wave, hashlib\n"
                                         "w = wave.open(sys.argv[1], 'rb')\n"
                                         "f = w.readframes(w.getnframes())\n"
                                         "print(w.getnchannels(), w.getsampwidth(), "
                                         "w.getframerate(), w.getnframes(), w.getcomptype(), "
                                         "hashlib.sha256(f).hexdigest())\n"),
                          path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        return QStringLiteral("! ") + QString::fromLocal8Bit(reader.readAllStandardError());
    return QString::fromLatin1(reader.readAllStandardOutput()).trimmed();
}

}  // namespace tessan
