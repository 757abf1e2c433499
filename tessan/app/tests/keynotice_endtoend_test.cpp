// The address book and the settings in the real main window against two real tessd servers: the
// send page's friend list follows the address book, and the key-change notice reaches every friend,
// ticked or not, on both servers.
#include "account/addressbook/addressbookpage.h"
#include "account/settings/settingspage.h"
#include "account/settings/setupsheet.h"
#include "app/mainwindow.h"
#include "core/library/notificationhub.h"
#include "core/library/tessnetlibrary.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"
#include "messaging/sendpage/sendpage.h"
#include "testsupport/scriptedmessageboxes.h"
#include "testsupport/tessdprocess.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

namespace {

constexpr char kZhang[] = "0086-10-1234567";
constexpr char kZhao[] = "0086-21-8888888";  // on the second server
constexpr int kWait = 30000;

}  // namespace

class KeyNoticeEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void keyNoticeReachesEveryFriendOnBothServers();

  private:
    QTemporaryDir dir;
    TessdProcess serverA;
    TessdProcess serverB;
    ScriptedMessageBoxes boxes;
};

void KeyNoticeEndToEndTest::keyNoticeReachesEveryFriendOnBothServers() {
    QDir root(dir.path());
    for (const char* sub : {"cache", "log", "a", "b"}) QVERIFY(root.mkdir(QLatin1String(sub)));
    QVERIFY(serverB.Start(QStringLiteral(TESSD_PROGRAM), dir.filePath(u"b"_qs), {}, false));
    // A asks B about B's accounts when they are added as friends; the client finds both.
    const QByteArray onB =
        "[0086-21]\r\nserver=127.0.0.1\r\nport=" + QByteArray::number(serverB.Port()) + "\r\n";
    QFile serverList(dir.filePath(u"a-servers.ini"_qs));
    QVERIFY(serverList.open(QIODevice::WriteOnly));
    serverList.write(onB);
    serverList.close();
    QVERIFY(serverA.Start(QStringLiteral(TESSD_PROGRAM), dir.filePath(u"a"_qs),
                          {u"--serverlist"_qs, serverList.fileName()}));
    QFile clientList(dir.filePath(u"serverlist.ini"_qs));
    QVERIFY(clientList.open(QIODevice::WriteOnly));
    clientList.write("[0086-10]\r\nserver=127.0.0.1\r\nport=" + QByteArray::number(serverA.Port()) +
                     "\r\n" + onB);
    clientList.close();

    TessnetLibrary library(boxes);
    ClientSession session(dir.path(), library, boxes);
    MainWindow window(session, [](const QString&) { return true; });
    SendPage& send = window.Send();
    AddressBook& book = window.AddressBook().Book();
    CSetupSheet& sheet = window.Settings().Sheet();
    FriendList& friends = send.Friends();

    UserProfile zhao;
    zhao.SetRawText(UserProfile::Field::Number, kZhao);
    zhao.SetText(UserProfile::Field::Name, u"赵六"_qs);
    zhao.SetRawText(UserProfile::Field::PublicKey, "zhao-pub");
    zhao.SetRawText(UserProfile::Field::PrivateKey, "zhao-key");
    QSignalSpy registered(&session.Notifications(), &NotificationHub::registerResult);
    QCOMPARE(library.RegisterUser("127.0.0.1", serverB.Port(), zhao), 1);
    QTRY_COMPARE_WITH_TIMEOUT(registered.count(), 1, kWait);

    session.SetCurrentLogin(QString::fromLatin1(kZhang), u"zhang123"_qs);
    QCOMPARE(library.ConnectServer("127.0.0.1", serverA.Port(), kZhang, "zhang123"), 1);
    // The own entry and Li and Wang, in the address book and in the send page's list.
    QTRY_COMPARE_WITH_TIMEOUT(book.Count(), 3, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(friends.RowCount(), 3, kWait);

    // Zhao is added from the address book; A checks his key with B.
    window.AddressBook().SetAskFriend(
        [] { return std::pair(QString::fromLatin1(kZhao), u"zhao-pub"_qs); });
    window.ShowPage(MainWindow::kAddressBook);
    window.AddressBook().findChild<QPushButton*>(u"addButton"_qs)->click();
    QTRY_VERIFY_WITH_TIMEOUT(friends.FindRow(kZhao) >= 0, kWait);
    QCOMPARE(book.NumberAt(1), QByteArray(kZhao));
    friends.SetChecked(friends.FindRow("0086-10-7654321"), true);  // only Li is ticked

    // New keys saved from the settings page; the notice button is then enabled.
    window.ShowPage(MainWindow::kSettings);
    CSetupPage1* form = sheet.ProfilePage();
    QTRY_COMPARE_WITH_TIMEOUT(form->Box(ProfileBox::Number)->text(), QString::fromLatin1(kZhang),
                              kWait);
    form->Box(ProfileBox::PrivateKey)->setText(u"zhang-new"_qs);
    form->Box(ProfileBox::Confirmation)->setText(u"zhang-new"_qs);
    form->Box(ProfileBox::PublicKey)->setText(u"zhang-pub"_qs);
    QSignalSpy changed(&session.Notifications(), &NotificationHub::modifyUserResult);
    form->findChild<QPushButton*>(u"saveButton"_qs)->click();
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWait);
    QCOMPARE(changed[0][0].value<Reply>().status, 1);

    const int beforeA = static_cast<int>(StoredFiles(dir.filePath(u"a"_qs)).size());
    auto* notice = form->findChild<QPushButton*>(u"noticeButton"_qs);
    QVERIFY(notice->isEnabled());
    notice->click();
    QVERIFY(!notice->isEnabled());
    QFile file(dir.filePath(u"cache/张三的公钥改变了.txt"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray body = file.readAll();
    QVERIFY(body.contains("zhang-pub"));

    // Li, Wang and the own space (its row is in the list too) on A, Zhao on B.
    QTRY_COMPARE_WITH_TIMEOUT(StoredFiles(dir.filePath(u"b"_qs)).count(body), 1, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(StoredFiles(dir.filePath(u"a"_qs)).count(body), 3, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(session.Transfers().RowCount(), 0, kWait);
    QCOMPARE(StoredFiles(dir.filePath(u"a"_qs)).size(), beforeA + 3);
    library.DisconnectServer(kZhang);
    session.StopLibrary();
}

}  // namespace tessan

QTEST_MAIN(tessan::KeyNoticeEndToEndTest)
#include "keynotice_endtoend_test.moc"
