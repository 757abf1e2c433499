// The address book against a real development server: the real library, real sockets, a real tessd
// on an ephemeral loopback port; the send page's friend list follows every change.
#include "account/addressbook/addressbook.h"
#include "messaging/sendpage/friendlist.h"
#include "testsupport/endtoend.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QTest>

namespace tessan {

namespace {

using demo::kLi;
using demo::kWang;
using demo::kZhang;
constexpr int kWait = 10000;

}  // namespace

class AddressBookEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void addWithTheRightKeyAndRefuseAWrongOne();
    void changeAFriendsKeyAndDelete();
    void changeTheOwnPublicKey();

  private:
    void LogIn(const char* number, const char* privateKey) {
        QVERIFY(e2e->LogIn(server->Port(), number, privateKey));
        QTRY_VERIFY_WITH_TIMEOUT(book->Find(number) == 0, kWait);
    }
    QStringList FriendNumbers() const;

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    TessdProcess* server = nullptr;
    QStringList notices;
    std::unique_ptr<AddressBook> book;
    std::unique_ptr<FriendList> friends;
};

void AddressBookEndToEndTest::init() {
    boxes.Reset();
    notices.clear();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid());
    QVERIFY(server = e2e->StartServer(u"server"_qs));
    ClientParts& client = e2e->StartClient();
    book = std::make_unique<AddressBook>(client.login, client.connections.Lib(), boxes,
                                         client.session.CurrentAccount(),
                                         [this](const QString& text, bool) { notices << text; });
    friends = std::make_unique<FriendList>();
    // As the composition root keeps them in step.
    connect(book.get(), &AddressBook::friendAddedOrUpdated, friends.get(),
            &FriendList::AddOrUpdateFriend);
    connect(book.get(), &AddressBook::friendRemoved, friends.get(), &FriendList::RemoveFriend);
    connect(book.get(), &AddressBook::friendKeyChanged, friends.get(), &FriendList::SetFriendKey);
}

void AddressBookEndToEndTest::cleanup() {
    e2e.reset();  // no notification reaches the book after this
    book.reset();
    friends.reset();
}

QStringList AddressBookEndToEndTest::FriendNumbers() const {
    QStringList numbers;
    for (int i = 0; i < friends->RowCount(); ++i) numbers << friends->Number(i);
    return numbers;
}

void AddressBookEndToEndTest::addWithTheRightKeyAndRefuseAWrongOne() {
    LogIn(kLi, demo::kLiKey);
    QTRY_COMPARE_WITH_TIMEOUT(book->Count(), 2, kWait);  // Li knows Zhang
    QCOMPARE(FriendNumbers(), (QStringList{u"0086-10-7654321"_qs, u"0086-10-1234567"_qs}));

    book->Add(QString::fromLatin1(kWang), u"0086-10-9999999"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, kWait);
    QCOMPARE(notices[0], u"公钥不正确，不能添加该好友!"_qs);
    QCOMPARE(book->Count(), 2);

    book->Add(QString::fromLatin1(kWang) + u"  "_qs, QString::fromLatin1(kWang));
    QTRY_COMPARE_WITH_TIMEOUT(book->Count(), 3, kWait);
    QCOMPARE(book->NumberAt(1), QByteArray(kWang));  // directly below the own entry
    QCOMPARE(book->ProfileAt(1).PublicKey(), QString::fromLatin1(kWang));
    QCOMPARE(friends->FindRow(kWang), 1);
    QVERIFY(notices.contains(u"添加好友成功!"_qs));

    // The server keeps it: the next login lists it again.
    LogIn(kLi, demo::kLiKey);
    QTRY_COMPARE_WITH_TIMEOUT(book->Count(), 3, kWait);
    QCOMPARE(friends->RowCount(), 3);
}

void AddressBookEndToEndTest::changeAFriendsKeyAndDelete() {
    // Wang changes his public key; Zhang's address book still holds the old one.
    LogIn(kWang, demo::kWangKey);
    book->Select(0);
    auto details = *book->SelectedDetails();
    At(details, DetailField::PublicKey) = u"5555-new"_qs;
    book->ModifySelected(details);
    QTRY_VERIFY_WITH_TIMEOUT(book->ModifyEnabled(), kWait);
    QCOMPARE(notices.last(), u"修改用户资料成功!"_qs);

    LogIn(kZhang, demo::kZhangKey);
    QTRY_COMPARE_WITH_TIMEOUT(book->Count(), 3, kWait);
    const int wang = book->Find(kWang);
    book->Select(wang);
    details = *book->SelectedDetails();
    At(details, DetailField::PublicKey) = u"wrong"_qs;
    book->ModifySelected(details);
    QCOMPARE(friends->Profile(friends->FindRow(kWang)).PublicKey(), u"wrong"_qs);  // at once
    QTRY_COMPARE_WITH_TIMEOUT(notices.last(), u"公钥不正确，修改失败!"_qs, kWait);
    QCOMPARE(book->ProfileAt(wang).PublicKey(), QString::fromLatin1(kWang));

    At(details, DetailField::PublicKey) = u"5555-new"_qs;
    book->ModifySelected(details);
    QTRY_COMPARE_WITH_TIMEOUT(book->ProfileAt(wang).PublicKey(), u"5555-new"_qs, kWait);
    QCOMPARE(friends->Profile(friends->FindRow(kWang)).PublicKey(), u"5555-new"_qs);

    boxes.Script({MessageBoxes::Answer::Yes});
    book->Select(book->Find(kWang));
    book->DeleteSelected();
    QTRY_COMPARE_WITH_TIMEOUT(book->Find(kWang), -1, kWait);
    QCOMPARE(friends->FindRow(kWang), -1);
    QCOMPARE(book->Count(), 2);
    QCOMPARE(notices.last(), u"删除好友成功!"_qs);
}

void AddressBookEndToEndTest::changeTheOwnPublicKey() {
    LogIn(kZhang, demo::kZhangKey);
    book->Select(0);
    auto details = *book->SelectedDetails();
    At(details, DetailField::PublicKey) = u"zhang-pub-2"_qs;
    book->ModifySelected(details);
    QVERIFY(!book->ModifyEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(book->ModifyEnabled(), kWait);

    // A friend's upload logs in with the key it knows: the old one is refused now.
    QVERIFY(!e2e->LogIn(server->Port(), kZhang, kZhang));
    QVERIFY(e2e->LogIn(server->Port(), kZhang, "zhang-pub-2"));
}

}  // namespace tessan

QTEST_MAIN(tessan::AddressBookEndToEndTest)
#include "addressbook_endtoend_test.moc"
