// The whole client as the end-to-end tests drive it: its main window shown off screen, logged in
// through its login dialog. For tests that link the whole client.
#pragma once

#include "app/clientapp.h"
#include "core/login/logindialog.h"
#include "testsupport/endtoend.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace tessan {

// The client over the test's folder on `library` (the real one when null), with an updater that
// always starts; its notices go to `e2e.notices`. Its window is shown; null when it never
// appeared.
inline std::unique_ptr<ClientApp> ShowClient(EndToEnd& e2e, MessageBoxes& boxes,
                                             Library* library = nullptr) {
    auto client = std::make_unique<ClientApp>(ClientApp::Setup{
        .appDir = e2e.Path(),
        .library = library ? *library : e2e.Tessnet(),
        .boxes = boxes,
        .serverBoxes = &e2e.ServerBoxGate(),
        .resolver = &e2e.Resolver(),
        .startProgram = [](const QString&) { return true; },
    });
    QObject::connect(&client->Session(), &ClientSession::noticeShown, &client->Session(),
                     [&e2e](const QString& text, bool) { e2e.notices << text; });
    client->Window().show();
    if (!QTest::qWaitForWindowExposed(&client->Window())) return nullptr;
    return client;
}

// The open login dialog, opened with the main window's "登录" when there is none.
inline LoginDialog* OpenLoginDialog(MainWindow& window) {
    if (!window.OpenLogin()) window.findChild<QPushButton*>(QStringLiteral("loginButton"))->click();
    return window.OpenLogin();
}

// Presses "登录" in the login dialog (opened when need be), with `number` and `key` typed in when
// given, else with what it shows. The dialog, or null when none opened.
inline LoginDialog* LogInThroughDialog(MainWindow& window, const char* number = nullptr,
                                       const char* key = nullptr) {
    LoginDialog* dialog = OpenLoginDialog(window);
    if (!dialog) return nullptr;
    if (number) {
        dialog->findChild<QComboBox*>(QStringLiteral("numberBox"))
            ->setEditText(QString::fromLatin1(number));
        dialog->findChild<QLineEdit*>(QStringLiteral("keyBox"))->setText(QString::fromLatin1(key));
    }
    dialog->findChild<QPushButton*>(QStringLiteral("loginButton"))->click();
    return dialog;
}

}  // namespace tessan
