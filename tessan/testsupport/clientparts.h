// The client's core services over one library, made in the order the composition root makes
// them, for tests of rules, pages and dialogs without the main window; and FakeClient, the same
// over a fake library in a folder of its own.
#pragma once

#include "core/base/serverboxes.h"
#include "core/library/connections.h"
#include "core/login/loginstate.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"
#include "testsupport/fakelibrary.h"
#include "testsupport/fakeresolver.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

namespace tessan {

struct ClientParts {
    // Everything must outlive the parts; the library is not started.
    ClientParts(const QString& appDir, Library& library, ServerBoxes& boxes, HostResolver& resolver,
                TransferLogs::Clock clock = {}, TimerFactory transferTimers = {});

    ClientSession session;
    Connections connections;
    LoginState login;
    TransferQueue transfers;
    // What the session showed in the notice panel.
    QStringList notices;
};

// The fakes a FakeClient stands on: its folder (with cache/ and log/), library, boxes, resolver
// and the fixed time its logs are stamped with.
struct Fakes {
    Fakes();
    QTemporaryDir dir;
    FakeLibrary library;
    ScriptedMessageBoxes boxes;
    // Boxes a server causes are shown at once: a test sees them when its notification returns.
    ServerBoxes serverBoxes{boxes, [](const std::function<void()>& call) { call(); }};
    FakeResolver resolver;
    QDateTime now{QDate(2026, 3, 4), QTime(5, 6, 7)};
    // The transfer queue's: one per friend's login it waits for.
    FakeTimers queueTimers;
};

// The library is started; notifications go to their owners through `library.Deliver`.
struct FakeClient : Fakes, ClientParts {
    FakeClient();
    // Logs `number` in as the login dialog does, and the server accepts it. The calls that opened
    // the connection and the login's notices are forgotten; calls the verdict led to stay.
    void LogIn(const QByteArray& number = "0086-10-1234567", const QByteArray& key = "own");
};

}  // namespace tessan
