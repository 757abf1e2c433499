#include "core/base/diagnostics.h"

#include <QDateTime>
#include <QFile>

#include <memory>
#include <mutex>

namespace tessan {

Q_LOGGING_CATEGORY(lcStartup, "tessan.startup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLogin, "tessan.login", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNotifications, "tessan.notifications", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTransfers, "tessan.transfers", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFiles, "tessan.files", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "tessan.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAccount, "tessan.account", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSending, "tessan.sending", QtInfoMsg)
Q_LOGGING_CATEGORY(lcVoice, "tessan.voice", QtInfoMsg)

namespace {

constexpr qint64 kMaxFileSize = 1024 * 1024;

// The message handler is a plain function: its file lives here, for as long as one
// DiagnosticsFile does. Messages may come from any thread.
std::mutex fileMutex;
std::unique_ptr<QFile> file;
QtMessageHandler previousHandler = nullptr;

const char* LevelName(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray category(context.category ? context.category : "default");
    if (category.startsWith("tessan.") || (type != QtDebugMsg && type != QtInfoMsg)) {
        const QByteArray line = QDateTime::currentDateTime()
                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                    .toUtf8() +
                                ' ' + LevelName(type) + ' ' + category + ": " + message.toUtf8() +
                                '\n';
        const std::lock_guard lock(fileMutex);
        if (file) {
            file->write(line);
            file->flush();
        }
    }
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

DiagnosticsFile::DiagnosticsFile(const QString& path) {
    if (QFile::exists(path) && QFile(path).size() > kMaxFileSize) {
        const QString old = path + QStringLiteral(".old");
        QFile::remove(old);
        QFile::rename(path, old);
    }
    auto opened = std::make_unique<QFile>(path);
    if (!opened->open(QIODevice::WriteOnly | QIODevice::Append,
                      QFile::ReadOwner | QFile::WriteOwner))
        opened.reset();
    {
        const std::lock_guard lock(fileMutex);
        file = std::move(opened);
    }
    previousHandler = qInstallMessageHandler(Handle);
}

DiagnosticsFile::~DiagnosticsFile() {
    qInstallMessageHandler(previousHandler);
    const std::lock_guard lock(fileMutex);
    file.reset();
}

bool DiagnosticsFile::IsOpen() const {
    const std::lock_guard lock(fileMutex);
    return file != nullptr;
}

}  // namespace tessan
