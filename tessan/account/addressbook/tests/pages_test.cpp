// The address book's and the settings' widgets on the offscreen platform, driven like a user.
#include "account/addressbook/addfrienddialog.h"
#include "account/addressbook/addressbookpage.h"
#include "account/settings/settingspage.h"
#include "account/settings/setupsheet.h"
#include "core/base/gbk.h"
#include "core/session/arrivalswitch.h"
#include "testsupport/clientparts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

namespace {

using F = UserProfile::Field;

UserProfile Profile(const QByteArray& number, const QByteArray& privateKey = {}) {
    UserProfile p;
    p.SetRawText(F::Number, number);
    p.SetRawText(F::PublicKey, number);
    p.SetRawText(F::PrivateKey, privateKey);
    p.SetText(F::Name, u"名字"_qs);
    return p;
}

template <typename T>
T* Child(QObject* parent, const char16_t* name) {
    return parent->findChild<T*>(QString::fromUtf16(name));
}

}  // namespace

class AccountPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void addressBookShowsTheSelectedEntryAndOnlyTheKeyIsEditable();
    void modifyAndAddGoThroughTheBook();
    void addFriendDialogFiltersAndSteps();
    void fullBoxRefusesHalfACharacter();
    void logPageShowsTheTailAndSavesInPlace();
    void profilePageRefillsAndTheNoticeButtonFollowsSaves();

  private:
    QByteArray Bytes(const UserProfile& p) {
        return QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), UserProfile::kSize);
    }
};

void AccountPagesTest::addressBookShowsTheSelectedEntryAndOnlyTheKeyIsEditable() {
    FakeClient c;
    c.LogIn("0086-10-1234567", "secret");
    AddressBookPage page(c.session, c.login, c.library, c.boxes);
    AddressBook& book = page.Book();
    page.show();
    QVERIFY(!page.ShowSelectedEntry());
    QVERIFY(Child<QLabel>(&page, u"helpText")->text().contains(u"添加好友有二种方法."_qs));

    // The server's answers reach the page through the notifications.
    c.library.Deliver(MakeReply(note::kOwnProfile, 0, "0086-10-1234567",
                                Bytes(Profile("0086-10-1234567", "secret"))));
    c.library.Deliver(MakeReply(note::kAddressBook, 0, "0086-10-1234567",
                                Bytes(Profile("0086-10-1")) + Bytes(Profile("0086-10-2"))));
    QTableView* list = page.List();
    QAbstractItemModel& rows = *list->model();
    QCOMPARE(rows.rowCount(), 3);
    QCOMPARE(rows.index(1, 0).data().toString(), u"0086-10-2"_qs);
    QCOMPARE(page.Box(DetailField::PersonalNumber)->text(), u"2"_qs);

    // A click on the middle row selects it and counts it in the header.
    list->selectRow(2);
    QCOMPARE(book.Selected(), 2);
    QCOMPARE(page.Box(DetailField::PersonalNumber)->text(), u"1"_qs);
    QCOMPARE(rows.headerData(0, Qt::Horizontal).toString(), u"好友列表"_qs);
    const QRect cell = list->visualRect(rows.index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(book.Selected(), 1);
    QCOMPARE(rows.headerData(0, Qt::Horizontal).toString(), u"好友列表  2/3"_qs);
    for (const DetailSpec& spec : DetailSpecs())
        QCOMPARE(page.Box(spec.field)->isReadOnly(), spec.field != DetailField::PublicKey);
    QVERIFY(page.Box(DetailField::PrivateKey)->isHidden());

    // Removing rows keeps the list and the selection in step.
    book.RemoveEntry("0086-10-2");
    QCOMPARE(rows.rowCount(), 2);
    QVERIFY(list->selectionModel()->selectedRows().isEmpty());
    list->selectRow(0);
    QVERIFY(page.ShowSelectedEntry());
    QCOMPARE(page.Box(DetailField::PrivateKey)->text(), u"secret"_qs);

    // Coming into view, the page shows the own entry, whatever was selected before.
    list->selectRow(1);
    page.Shown();
    QCOMPARE(book.Selected(), 0);
    QCOMPARE(list->selectionModel()->selectedRows().first().row(), 0);
    QCOMPARE(page.Box(DetailField::PersonalNumber)->text(), u"1234567"_qs);
    c.library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1234567", "ok"));
    QCOMPARE(rows.rowCount(), 0);
}

void AccountPagesTest::modifyAndAddGoThroughTheBook() {
    FakeClient c;
    c.LogIn("0086-10-1234567", "secret");
    FakeLibrary& library = c.library;
    AddressBookPage page(c.session, c.login, c.library, c.boxes);
    AddressBook& book = page.Book();
    book.AddOrUpdateEntry(Profile("0086-10-1234567", "secret"));
    page.Box(DetailField::PublicKey)->setText(u"newpub"_qs);
    auto* modify = Child<QPushButton>(&page, u"modifyButton");
    modify->click();
    QCOMPARE(library.calls, QStringList{u"ModifyUser 0086-10-1234567"_qs});
    QVERIFY(!modify->isEnabled());
    library.Deliver(MakeReply(note::kModifyUser, 1, "0086-10-1234567", "ok"));
    QVERIFY(modify->isEnabled());
    // The own connection is lost before the answer: the button comes back.
    modify->click();
    QVERIFY(!modify->isEnabled());
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-1234567"));
    QVERIFY(modify->isEnabled());

    page.SetAskFriend([] { return std::pair(u"0086-10-7654321"_qs, u"key"_qs); });
    Child<QPushButton>(&page, u"addButton")->click();
    QCOMPARE(library.calls.last(), u"AddFriend 0086-10-1234567 0086-10-7654321"_qs);
    page.SetAskFriend([] { return std::nullopt; });
    Child<QPushButton>(&page, u"addButton")->click();
    QCOMPARE(library.calls.size(), 3);
}

void AccountPagesTest::addFriendDialogFiltersAndSteps() {
    ScriptedMessageBoxes boxes;
    AddFriendDialog dialog(boxes);
    dialog.show();
    auto* input = Child<QLineEdit>(&dialog, u"input");
    auto* next = Child<QPushButton>(&dialog, u"nextButton");
    auto* back = Child<QPushButton>(&dialog, u"backButton");
    QVERIFY(!back->isEnabled());
    QTest::keyClicks(input, u"0086a-10b"_qs);
    QCOMPARE(input->text(), u"0086-10"_qs);
    input->insert(u"-12x3yz"_qs);  // a paste keeps its inner characters
    QCOMPARE(input->text(), u"0086-10-12x3"_qs);
    QTest::keyClick(input, Qt::Key_Backspace);
    QCOMPARE(input->text(), u"0086-10-12x"_qs.chopped(1));
    input->setText(u"0086-10-1"_qs);
    next->click();
    QCOMPARE(Child<QLabel>(&dialog, u"prompt")->text(), u"请输入好友的公钥:"_qs);
    QCOMPARE(input->selectedText(), u"0086-10-1"_qs);
    QCOMPARE(next->text(), u"完成"_qs);
    back->click();
    QCOMPARE(input->text(), u"0086-10-1"_qs);
    QCOMPARE(next->text(), u"下一步>>"_qs);
    next->click();
    QTest::keyClick(input, Qt::Key_Return);  // Enter finishes with key = number
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Flow().FriendKey(), u"0086-10-1"_qs);
    QVERIFY(boxes.Shown().empty());
}

void AccountPagesTest::fullBoxRefusesHalfACharacter() {
    FakeClient c;
    AddressBookPage page(c.session, c.login, c.library, c.boxes);
    QLineEdit* key = page.Box(DetailField::PublicKey);
    key->setText(QString(30, u'a'));
    key->end(false);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"中"_qs);
    QApplication::sendEvent(key, &typed);
    QCOMPARE(key->text(), QString(30, u'a'));
    QTest::keyClicks(key, u"b"_qs);
    QCOMPARE(QStringToGbk(key->text()).size(), 31);
    key->setText(QString(28, u'a'));
    key->setCursorPosition(1);
    key->insert(u"一二三"_qs);  // a paste in the middle keeps what fits and the text after it
    QCOMPARE(key->text(), u"a一"_qs + QString(27, u'a'));
    QCOMPARE(key->cursorPosition(), 2);
}

void AccountPagesTest::logPageShowsTheTailAndSavesInPlace() {
    FakeClient c;
    c.session.SetCurrentLogin(u"0086-10-1234567"_qs, u"secret"_qs);
    const QString path = c.dir.filePath(u"log/0086-10-1234567_RecvLog.txt"_qs);
    QByteArray original;
    for (int i = 0; i < 8000; ++i) original += "line " + QByteArray::number(i) + " \xB1\xA8\r\n";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(original);
    }
    ArrivalSwitch arrivals(c.dir.path());
    SettingsPage page(c.session, c.library, c.boxes, {}, arrivals);
    page.show();
    CSetupSheet& sheet = page.Sheet();
    sheet.setCurrentWidget(sheet.ReceiveLogPage());
    QPlainTextEdit* text = sheet.ReceiveLogPage()->TextBox();
    QVERIFY(text->toPlainText().endsWith(u"line 7999 报\n"_qs));
    QVERIFY(!text->toPlainText().contains(u"\nline 2 报"_qs));
    text->setPlainText(text->toPlainText().replace(u"line 7999 报"_qs, u"edited"_qs));
    Child<QPushButton>(sheet.ReceiveLogPage(), u"saveButton")->click();
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), original.replace("line 7999 \xB1\xA8", "edited"));
}

void AccountPagesTest::profilePageRefillsAndTheNoticeButtonFollowsSaves() {
    FakeClient c;
    ClientSession& session = c.session;
    ScriptedMessageBoxes& boxes = c.boxes;
    QStringList sent;
    ArrivalSwitch arrivals(c.dir.path());
    SettingsPage settingsPage(
        session, c.library, boxes,
        [&sent](const UserProfile& own, const QDateTime&) {
            sent << own.Name();
            return true;
        },
        arrivals);
    settingsPage.show();
    CSetupSheet& sheet = settingsPage.Sheet();
    CSetupPage1* page = sheet.ProfilePage();
    auto* notice = Child<QPushButton>(page, u"noticeButton");
    QVERIFY(!notice->isEnabled());
    settingsPage.Shown();
    QCOMPARE(page->Box(ProfileBox::Number)->text(), QString());  // no login: nothing filled

    // The own profile arrives after a login: the profile tab comes to the front and refills.
    c.LogIn("0086-10-1234567", "secret");
    sheet.setCurrentWidget(sheet.SendLogPage());
    page->Box(ProfileBox::Confirmation)->setText(u"old"_qs);
    c.library.Deliver(MakeReply(note::kOwnProfile, 0, "0086-10-1234567",
                                Bytes(Profile("0086-10-1234567", "secret"))));
    QCOMPARE(sheet.currentWidget(), page);
    QCOMPARE(page->Box(ProfileBox::Number)->text(), u"0086-10-1234567"_qs);
    QCOMPARE(page->Box(ProfileBox::Confirmation)->text(), QString());
    QTest::keyClicks(page->Box(ProfileBox::Mobile), u"13x9"_qs);
    QCOMPARE(page->Box(ProfileBox::Mobile)->text(), u"139"_qs);
    // Unsaved typing survives a visit to another page; the tab refills when it becomes current.
    settingsPage.Shown();
    QCOMPARE(page->Box(ProfileBox::Mobile)->text(), u"139"_qs);
    sheet.setCurrentWidget(sheet.SendLogPage());
    sheet.setCurrentWidget(page);
    QCOMPARE(page->Box(ProfileBox::Mobile)->text(), QString());
    QTest::keyClicks(page->Box(ProfileBox::Mobile), u"139"_qs);

    boxes.Reset();
    Child<QPushButton>(page, u"saveButton")->click();
    QCOMPARE(boxes.Texts(), QStringList{u"两次输入的私钥不相同！"_qs});
    QVERIFY(!notice->isEnabled());
    page->Box(ProfileBox::Confirmation)->setText(u"secret"_qs);
    Child<QPushButton>(page, u"saveButton")->click();
    QVERIFY(notice->isEnabled());
    notice->click();
    QCOMPARE(sent.size(), 1);
    QVERIFY(!notice->isEnabled());

    // The arrivals' switch is taken at once and kept for the next start.
    QVERIFY(settingsPage.ArrivalBox()->isChecked());
    settingsPage.ArrivalBox()->click();
    QVERIFY(!arrivals.IsOn());
    QVERIFY(!ArrivalSwitch(c.dir.path()).IsOn());
}

}  // namespace tessan

QTEST_MAIN(tessan::AccountPagesTest)
#include "pages_test.moc"
