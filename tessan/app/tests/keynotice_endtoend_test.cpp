// The address book and the settings in the real main window against two real tessd servers: the
// send page's friend list follows the address book, and the key-change notice reaches every friend,
// ticked or not, on both servers.
#include "account/addressbook/addressbookpage.h"
#include "account/settings/settingspage.h"
#include "account/settings/setupsheet.h"
#include "messaging/sendpage/sendpage.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace tessan {

namespace {

using demo::kZhang;
constexpr int kWait = EndToEnd::kWait;

}  // namespace

class KeyNoticeEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void keyNoticeReachesEveryFriendOnBothServers();

  private:
    ScriptedMessageBoxes boxes;
    EndToEnd e2e{boxes};
};

void KeyNoticeEndToEndTest::keyNoticeReachesEveryFriendOnBothServers() {
    QVERIFY(e2e.IsValid());
    // A asks B about B's accounts when they are added as friends; the client finds both.
    QVERIFY(e2e.StartTwoServers());
    QCOMPARE(e2e.Register(e2e.B().Port(), ZhaoProfile()), 1);
    const std::unique_ptr<ClientApp> client = ShowClient(e2e, boxes);
    QVERIFY(client);
    MainWindow& window = client->Window();
    AddressBook& book = client->AddressBook().Book();
    CSetupSheet& sheet = client->Settings().Sheet();
    FriendList& friends = client->Send().Friends();

    QSignalSpy accepted(&client->Login(), &LoginState::ownLoginAccepted);
    LogInThroughDialog(window, kZhang, demo::kZhangKey);
    QTRY_COMPARE_WITH_TIMEOUT(accepted.count(), 1, kWait);
    // The own entry and Li and Wang, in the address book and in the send page's list.
    QTRY_COMPARE_WITH_TIMEOUT(book.Count(), 3, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(friends.RowCount(), 3, kWait);

    // Zhao is added from the address book; A checks his key with B.
    client->AddressBook().SetAskFriend(
        [] { return std::pair(QString::fromLatin1(kZhao), u"zhao-pub"_qs); });
    window.ShowPage(MainWindow::kAddressBook);
    client->AddressBook().findChild<QPushButton*>(u"addButton"_qs)->click();
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
    QSignalSpy changed(&client->Login().Notifications(), &NotificationHub::modifyUserResult);
    form->findChild<QPushButton*>(u"saveButton"_qs)->click();
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWait);
    QCOMPARE(changed[0][0].value<Reply>().status, 1);
    // The notice announces the profile the server stored, which it sends after the change.
    QTRY_COMPARE_WITH_TIMEOUT(client->Session().OwnProfile().Text(UserProfile::Field::PublicKey),
                              u"zhang-pub"_qs, kWait);

    const int beforeA = static_cast<int>(StoredFiles(e2e.FilePath(u"a"_qs)).size());
    auto* notice = form->findChild<QPushButton*>(u"noticeButton"_qs);
    QVERIFY(notice->isEnabled());
    notice->click();
    QVERIFY(!notice->isEnabled());
    QFile file(e2e.FilePath(u"cache/张三的公钥改变了.txt"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray body = file.readAll();
    QVERIFY(body.contains("zhang-pub"));

    // Li, Wang and the own space (its row is in the list too) on A, Zhao on B.
    QTRY_COMPARE_WITH_TIMEOUT(StoredFiles(e2e.FilePath(u"b"_qs)).count(body), 1, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(StoredFiles(e2e.FilePath(u"a"_qs)).count(body), 3, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(client->Transfers().RowCount(), 0, kWait);
    QCOMPARE(StoredFiles(e2e.FilePath(u"a"_qs)).size(), beforeA + 3);
}

}  // namespace tessan

QTEST_MAIN(tessan::KeyNoticeEndToEndTest)
#include "keynotice_endtoend_test.moc"
