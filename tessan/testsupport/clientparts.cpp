#include "testsupport/clientparts.h"

#include <QDir>

namespace tessan {

ClientParts::ClientParts(const QString& appDir, Library& library, ServerBoxes& boxes,
                         HostResolver& resolver, TransferLogs::Clock clock,
                         TimerFactory transferTimers)
    : session(appDir),
      connections(library),
      login(session, connections, boxes),
      transfers(session, connections, boxes, resolver, login.Notifications(), std::move(clock),
                std::move(transferTimers)) {
    QObject::connect(&session, &ClientSession::noticeShown, &session,
                     [this](const QString& text, bool) { notices << text; });
}

Fakes::Fakes() {
    QDir(dir.path()).mkpath(QStringLiteral("cache"));
    QDir(dir.path()).mkpath(QStringLiteral("log"));
}

FakeClient::FakeClient()
    : ClientParts(
          dir.path(), library, serverBoxes, resolver, [this] { return now; },
          queueTimers.Factory()) {
    connections.Start(dir.filePath(QStringLiteral("download")));
    library.calls.clear();
}

void FakeClient::LogIn(const QByteArray& number, const QByteArray& key) {
    session.SetCurrentLogin(QString::fromLatin1(number), QString::fromLatin1(key));
    login.Connect("127.0.0.1", 8800);
    library.calls.clear();
    library.Deliver(MakeReply(note::kLogin, 1, number, "ok"));
    notices.clear();
}

}  // namespace tessan
