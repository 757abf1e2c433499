// The main window as the end-to-end tests drive it: shown off screen, logged in through its login
// dialog. For tests that link the whole client.
#pragma once

#include "app/mainwindow.h"
#include "core/login/logindialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace tessan {

// The main window over `session`, shown; null when it never appeared.
inline std::unique_ptr<MainWindow> ShowMainWindow(ClientSession& session) {
    auto window = std::make_unique<MainWindow>(session, [](const QString&) { return true; });
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
    return window;
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
