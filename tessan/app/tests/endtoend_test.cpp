// The client against a real development server: the real library, real sockets, a real tessd
// process on an ephemeral loopback port, and the main window on the offscreen platform.
#include "testsupport/endtoend.h"
#include "core/frame/noticepanel.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QPushButton>
#include <QTest>

namespace tessan {

class EndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void demoAccountLogsIn();
    void wrongKeyIsRefusedAndTheDialogStaysOpen();
    void serverClosingTheConnectionReopensTheLogin();
    void upgradeRefusalAsksAndNoKeepsTheDialog();
    void noticeAndPaymentReminderAfterLogin();

  private:
    // Starts tessd and the main window with serverlist.ini pointing at it.
    void StartAll(const QStringList& serverOptions = {});
    LoginDialog* LogIn(const char* number, const char* key) {
        return LogInThroughDialog(*window, number, key);
    }

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    TessdProcess* server = nullptr;
    std::unique_ptr<ClientApp> client;
    ClientSession* session = nullptr;
    MainWindow* window = nullptr;
};

void EndToEndTest::init() {
    boxes.Reset();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid());
}

void EndToEndTest::cleanup() {
    client.reset();
    e2e.reset();
}

void EndToEndTest::StartAll(const QStringList& serverOptions) {
    QVERIFY(server = e2e->StartServer(u"server"_qs, serverOptions));
    QVERIFY(e2e->PointAllAt(server->Port()));
    QVERIFY(client = ShowClient(*e2e, boxes));
    session = &client->Session();
    window = &client->Window();
}

void EndToEndTest::demoAccountLogsIn() {
    StartAll();
    QPointer<LoginDialog> dialog = LogIn("0086-10-1234567", "zhang123");
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog || !dialog->isVisible(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), u"Tessan v1.32  免费用户 0086-10-1234567  "_qs,
                              10000);
    QCOMPARE(session->OwnQuota(), 5242880);
    QCOMPARE(session->OwnProfile().Name(), u"张三"_qs);
    QVERIFY(window->findChild<QPushButton*>(u"sendButton"_qs)->isEnabled());
    QVERIFY(boxes.Shown().empty());
}

void EndToEndTest::wrongKeyIsRefusedAndTheDialogStaysOpen() {
    StartAll();
    LoginDialog* dialog = LogIn("0086-10-1234567", "wrong");
    QVERIFY(dialog);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Shown().size(), 1u, 10000);
    QVERIFY(!boxes.Shown()[0].text.isEmpty());
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->findChild<QPushButton*>(u"loginButton"_qs)->isEnabled());
    QVERIFY(!window->findChild<QPushButton*>(u"sendButton"_qs)->isEnabled());
    QCOMPARE(window->windowTitle(), MainWindow::kInitialTitle);
}

void EndToEndTest::serverClosingTheConnectionReopensTheLogin() {
    StartAll();
    QPointer<LoginDialog> dialog = LogIn("0086-10-1234567", "zhang123");
    QTRY_VERIFY_WITH_TIMEOUT(!window->OpenLogin(), 10000);
    server->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(window->OpenLogin(), 10000);
    QVERIFY(window->Notices().Text().contains(u"断开与服务器的连接，请重新登录!"_qs));
}

void EndToEndTest::upgradeRefusalAsksAndNoKeepsTheDialog() {
    StartAll({u"--upgrade"_qs, u"请下载1.40"_qs});
    boxes.Script({MessageBoxes::Answer::No});
    LoginDialog* dialog = LogIn("0086-10-1234567", "zhang123");
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Shown().size(), 1u, 10000);
    QCOMPARE(boxes.Shown()[0].caption, u"升级版本"_qs);
    QVERIFY(boxes.Shown()[0].text.endsWith(u"\r\n\tTessan系统现在将进行升级!"_qs));
    QVERIFY(boxes.Shown()[0].text.contains(u"请下载1.40"_qs));
    QVERIFY(dialog->isVisible());
    QVERIFY(window->isVisible());
    QVERIFY(dialog->findChild<QPushButton*>(u"loginButton"_qs)->isEnabled());
}

void EndToEndTest::noticeAndPaymentReminderAfterLogin() {
    StartAll({u"--notice"_qs, u"今晚系统维护"_qs, u"--remind"_qs, u"请及时续费"_qs});
    LogIn("0086-10-7654321", "li123");
    QTRY_VERIFY_WITH_TIMEOUT(window->Notices().Text().contains(u"今晚系统维护"_qs), 10000);
    // The reminder is the library's own message box, shown through the client's.
    QTRY_VERIFY_WITH_TIMEOUT(boxes.Texts().join(u'|').contains(u"请及时续费"_qs), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), u"Tessan v1.32  免费用户 0086-10-7654321  "_qs,
                              10000);
    QCOMPARE(boxes.Shown().size(), 1u);  // the notice came with status 1: no box for it
}

}  // namespace tessan

QTEST_MAIN(tessan::EndToEndTest)
#include "endtoend_test.moc"
