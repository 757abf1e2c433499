#include "account/addressbook/addressbook.h"
#include "account/addressbook/addfriendflow.h"
#include "account/fieldinput.h"
#include "core/base/gbk.h"
#include "testsupport/clientparts.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using F = UserProfile::Field;

UserProfile Profile(const QByteArray& number, const QByteArray& key = {},
                    const QByteArray& privateKey = {}) {
    UserProfile p;
    p.SetRawText(F::Number, number);
    p.SetRawText(F::PublicKey, key.isEmpty() ? number : key);
    p.SetRawText(F::PrivateKey, privateKey);
    p.SetText(F::Name, QStringLiteral("名") + QString::fromLatin1(number.right(1)));
    p.SetUserType('1');
    return p;
}

QByteArray Bytes(const UserProfile& p) {
    return QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), UserProfile::kSize);
}

// A delete or change reply: number and key in their 32-byte fields, the text after them.
QByteArray EntryReply(const QByteArray& number, const QByteArray& key, const QString& text) {
    QByteArray data(64, '\0');
    data.replace(0, std::min<qsizetype>(number.size(), 32), number.left(32));
    data.replace(32, std::min<qsizetype>(key.size(), 32), key.left(32));
    return data + QStringToGbk(text);
}

class AddressBookTest : public ::testing::Test, protected FakeClient {
  protected:
    AddressBookTest() {
        session.SetCurrentLogin(u"0086-10-1234567"_qs, {});
        QObject::connect(&book, &AddressBook::friendAddedOrUpdated, &book,
                         [this](const UserProfile& p) { sent << u"add "_qs + p.Number(); });
        QObject::connect(&book, &AddressBook::friendRemoved, &book, [this](const QByteArray& n) {
            sent << u"remove "_qs + QString::fromLatin1(n);
        });
        QObject::connect(&book, &AddressBook::friendKeyChanged, &book,
                         [this](const QByteArray& n, const QByteArray& k) {
                             sent << u"key "_qs + QString::fromLatin1(n + ' ' + k);
                         });
        QObject::connect(&book, &AddressBook::friendsCleared, &book,
                         [this] { sent << u"clear"_qs; });
    }
    QStringList Numbers() const {
        QStringList list;
        for (int i = 0; i < book.Count(); ++i) list << QString::fromLatin1(book.NumberAt(i));
        return list;
    }
    const Reply& ReplyOf(const Notification& n) { return *(kept = n).reply(); }

    const AccountText& own = session.CurrentAccount();
    QStringList notices;
    QStringList sent;  // what the send page's friend list was told
    Notification kept;
    AddressBook book{login, library, boxes, own, [this](const QString& text, bool error) {
                         notices << (error ? u"!"_qs : u""_qs) + text;
                     }};
};

TEST_F(AddressBookTest, FirstEntryStaysOnTopAndLaterOnesGoDirectlyBelowIt) {
    book.AddOrUpdateEntry(Profile("0086-10-1234567"));
    book.AddOrUpdateEntry(Profile("0086-10-1"));
    book.AddOrUpdateEntry(Profile("0086-10-2"));
    EXPECT_EQ(Numbers(), (QStringList{u"0086-10-1234567"_qs, u"0086-10-2"_qs, u"0086-10-1"_qs}));
    EXPECT_EQ(book.Selected(), 1);  // each new row is selected

    // A known number (letter case ignored) replaces the stored profile in place, selection kept.
    book.Select(2);
    QSignalSpy selection(&book, &AddressBook::selectionChanged);
    book.AddOrUpdateEntry(Profile("0086-10-2", "newkey"));
    EXPECT_EQ(book.Count(), 3);
    EXPECT_EQ(book.ProfileAt(1).PublicKey(), u"newkey"_qs);
    EXPECT_EQ(book.Selected(), 2);
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(book.Find("0086-10-2"), 1);
}

TEST_F(AddressBookTest, RemoveAndSetKeyOfUnknownNumbersChangeNothing) {
    book.AddOrUpdateEntry(Profile("0086-10-1234567"));
    book.AddOrUpdateEntry(Profile("0086-10-1"));
    book.AddOrUpdateEntry(Profile("0086-10-2"));
    book.Select(2);
    book.RemoveEntry("0086-10-9");
    book.SetEntryKey("0086-10-9", "k");
    EXPECT_EQ(book.Count(), 3);
    // Removing a row above the selection keeps the same entry selected.
    book.RemoveEntry("0086-10-2");
    EXPECT_EQ(Numbers(), (QStringList{u"0086-10-1234567"_qs, u"0086-10-1"_qs}));
    EXPECT_EQ(book.Selected(), 1);
    EXPECT_EQ(book.NumberAt(book.Selected()), "0086-10-1");
    book.RemoveEntry("0086-10-1");
    EXPECT_EQ(book.Selected(), -1);
    EXPECT_FALSE(book.SelectedDetails());
}

TEST_F(AddressBookTest, HeaderCountsFromOne) {
    EXPECT_EQ(AddressBookHeader(1, 3), u"好友列表  2/3"_qs);
}

TEST_F(AddressBookTest, DetailsSplitTheNumberAndReadBackKeepTypeAndReservedBytes) {
    UserProfile p = Profile("0086-10-123-45");
    p.SetText(F::Company, u"公司"_qs);
    auto bytes = p.Bytes();
    bytes[128] = 7;
    bytes[1000 + 40] = 9;  // reserved after the private key
    p = *UserProfile::FromBytes(bytes);
    p.SetTailWord(0x1234);

    const auto details = DetailsOf(p);
    ASSERT_TRUE(details);
    EXPECT_EQ(At(*details, DetailField::CountryCode), u"0086"_qs);
    EXPECT_EQ(At(*details, DetailField::AreaCode), u"10"_qs);
    EXPECT_EQ(At(*details, DetailField::PersonalNumber), u"123-45"_qs);
    EXPECT_EQ(At(*details, DetailField::Type), u"商务用户[100M]"_qs);
    EXPECT_EQ(At(*details, DetailField::Company), u"公司"_qs);

    UserProfile back = p;
    ReadDetailsInto(*details, back);
    EXPECT_EQ(Bytes(back), Bytes(p));

    EXPECT_FALSE(DetailsOf(Profile("00861234567")));

    // Only the public key stays editable after a selection.
    for (const DetailSpec& spec : DetailSpecs())
        EXPECT_EQ(spec.readOnlyAfterSelection, spec.field != DetailField::PublicKey);
}

TEST_F(AddressBookTest, AddingTheOwnNumberIsRefusedBeforeAnyRequest) {
    book.Add(u"0086-10-1234567  "_qs, u"k"_qs);
    EXPECT_TRUE(library.calls.empty());
    EXPECT_EQ(notices, QStringList{u"!不用添加自己为好友!"_qs});

    book.Add(u"0086-10-7654321 "_qs, u"0086-10-7654321 "_qs);
    ASSERT_EQ(library.friendRecords.size(), 1u);
    EXPECT_EQ(library.friendRecords[0].Owner(), "0086-10-1234567");
    EXPECT_EQ(library.friendRecords[0].FriendNumber(), "0086-10-7654321");
    EXPECT_EQ(library.friendRecords[0].FriendKey(), u"0086-10-7654321"_qs);
    EXPECT_EQ(book.Count(), 0);  // the entry comes with the server's answer

    library.Script(u"AddFriend"_qs, {-1});
    book.Add(u"1-2-3"_qs, u"k"_qs);
    EXPECT_EQ(notices.last(), u"!添加好友失败，先登录服务器!"_qs);
}

TEST_F(AddressBookTest, DeleteAsksAndRefusesTheOwnEntry) {
    book.DeleteSelected();  // nothing selected
    EXPECT_TRUE(boxes.Shown().empty());
    book.AddOrUpdateEntry(Profile("0086-10-1234567"));
    book.DeleteSelected();
    EXPECT_EQ(notices, QStringList{u"!删除错误，用户不能删除自己!"_qs});
    EXPECT_TRUE(library.calls.empty());

    book.AddOrUpdateEntry(Profile("0086-10-1"));
    boxes.Script({MessageBoxes::Answer::No, MessageBoxes::Answer::Yes});
    book.DeleteSelected();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"确实要删除好友:0086-10-1吗？"_qs);
    EXPECT_EQ(boxes.Shown()[0].caption, u"删除好友"_qs);
    EXPECT_TRUE(library.calls.empty());
    library.Script(u"DelFriend"_qs, {0});
    book.DeleteSelected();
    EXPECT_EQ(library.calls, QStringList{u"DelFriend 0086-10-1234567 0086-10-1"_qs});
    EXPECT_EQ(notices.last(), u"!删除失败，请先登录服务器!"_qs);
    EXPECT_EQ(book.Count(), 2);
}

TEST_F(AddressBookTest, ModifyingAFriendSendsNumberAndKeyAndTellsTheSendPageAtOnce) {
    book.AddOrUpdateEntry(Profile("0086-10-1234567", "pub", "priv"));
    book.AddOrUpdateEntry(Profile("0086-10-1", "old"));
    auto details = *book.SelectedDetails();
    At(details, DetailField::PublicKey) = u"new"_qs;
    sent.clear();
    book.ModifySelected(details);
    ASSERT_EQ(library.friendRecords.size(), 1u);
    EXPECT_EQ(library.friendRecords[0].FriendNumber(), "0086-10-1");
    EXPECT_EQ(library.friendRecords[0].FriendKey(), u"new"_qs);
    EXPECT_EQ(sent, QStringList{u"key 0086-10-1 new"_qs});
    EXPECT_EQ(book.ProfileAt(1).PublicKey(), u"old"_qs);  // until the server confirms

    // The server confirms; its texts fill their 32-byte fields without a terminator.
    const QByteArray longNumber(32, '7');
    book.AddOrUpdateEntry(Profile(longNumber.left(31)));
    book.ChangeResult(FriendAnswerOf(ReplyOf(MakeReply(
        note::kModifyFriend, 1, own.Bytes(), EntryReply("0086-10-1", "new", u"修改成功"_qs)))));
    EXPECT_EQ(book.ProfileAt(book.Find("0086-10-1")).PublicKey(), u"new"_qs);
    EXPECT_EQ(notices.last(), u"修改成功"_qs);
    book.ChangeResult(
        FriendAnswerOf(ReplyOf(MakeReply(note::kModifyFriend, 1, own.Bytes(),
                                         EntryReply(longNumber, QByteArray(32, 'k'), u"t"_qs)))));
    EXPECT_EQ(sent.last(),
              u"key "_qs + QString::fromLatin1(longNumber + ' ' + QByteArray(32, 'k')));
    // Not found: the number is read as 32 bytes, not run on into the key.
    EXPECT_EQ(book.ProfileAt(book.Find(longNumber.left(31))).PublicKey(),
              QString::fromLatin1(longNumber.left(31)));
}

TEST_F(AddressBookTest, ModifyingTheOwnEntryKeepsReservedBytesAndWaitsForTheResult) {
    UserProfile mine = Profile("0086-10-1234567", "pub", "priv");
    auto raw = mine.Bytes();
    raw[900] = 0x55;
    mine = *UserProfile::FromBytes(raw);
    mine.SetTailWord(0xBEEF);
    book.AddOrUpdateEntry(mine);

    auto details = *book.SelectedDetails();
    At(details, DetailField::PublicKey) = u"priv"_qs;
    book.ModifySelected(details);
    EXPECT_EQ(boxes.Texts(), QStringList{u"私钥和公钥不能相同，请修改!"_qs});
    EXPECT_TRUE(library.calls.empty());

    At(details, DetailField::PublicKey) = u"pub2"_qs;
    QSignalSpy enabled(&book, &AddressBook::modifyEnabledChanged);
    book.ModifySelected(details);
    ASSERT_EQ(library.modifiedProfiles.size(), 1u);
    UserProfile expected = mine;
    expected.SetRawText(F::PublicKey, "pub2");
    EXPECT_EQ(Bytes(library.modifiedProfiles[0]), Bytes(expected));
    EXPECT_EQ(Bytes(book.ProfileAt(0)), Bytes(expected));
    EXPECT_FALSE(book.ModifyEnabled());
    book.ProfileChangeResult(ReplyOf(MakeReply(note::kModifyUser, 0, own.Bytes(), "fail")));
    EXPECT_TRUE(book.ModifyEnabled());
    EXPECT_EQ(enabled.count(), 2);
    EXPECT_EQ(notices.last(), u"!fail"_qs);

    // A refused request keeps the button enabled.
    library.Script(u"ModifyUser"_qs, {-1});
    book.ModifySelected(details);
    EXPECT_TRUE(book.ModifyEnabled());

    // An answer that never comes, since the user logs in again (or the connection is lost, as
    // the account pages test does through the library).
    book.ModifySelected(details);
    EXPECT_FALSE(book.ModifyEnabled());
    book.LoginReset();
    EXPECT_TRUE(book.ModifyEnabled());
}

TEST_F(AddressBookTest, TheOwnEntryIsSelectedWhereverItStands) {
    book.SelectOwn();  // empty list: nothing
    EXPECT_EQ(book.Selected(), -1);
    book.AddOrUpdateEntry(Profile("0086-10-2"));
    book.AddOrUpdateEntry(Profile("0086-10-1234567"));
    book.AddOrUpdateEntry(Profile("0086-10-3"));
    EXPECT_EQ(book.NumberAt(book.Selected()), "0086-10-3");  // the last one received
    book.SelectOwn();
    EXPECT_EQ(book.NumberAt(book.Selected()), "0086-10-1234567");
}

TEST_F(AddressBookTest, ServerAnswersKeepTheSendPageInStep) {
    book.OwnProfileArrived(Profile("0086-10-1234567"));
    QByteArray entries = Bytes(Profile("0086-10-1")) + Bytes(Profile("0086-10-2"));
    entries += QByteArray(500, 'x');  // a remainder shorter than a record is ignored
    book.Entries(ReplyOf(MakeReply(note::kAddressBook, 0, own.Bytes(), entries)));
    EXPECT_EQ(Numbers(), (QStringList{u"0086-10-1234567"_qs, u"0086-10-2"_qs, u"0086-10-1"_qs}));

    book.DeleteResult(FriendAnswerOf(ReplyOf(
        MakeReply(note::kDelFriend, 0, own.Bytes(), EntryReply("0086-10-1", {}, u"不能删除"_qs)))));
    EXPECT_EQ(book.Count(), 3);
    book.DeleteResult(FriendAnswerOf(ReplyOf(
        MakeReply(note::kDelFriend, 1, own.Bytes(), EntryReply("0086-10-1", {}, u"删除成功"_qs)))));
    EXPECT_EQ(book.Find("0086-10-1"), -1);
    book.AddResult(FriendAnswerOf(ReplyOf(
        MakeReply(note::kAddFriend, 0, own.Bytes(), EntryReply("x", {}, u"公钥不正确"_qs)))));
    book.LoginReset();
    EXPECT_EQ(book.Count(), 0);
    EXPECT_EQ(sent, (QStringList{u"add 0086-10-1234567"_qs, u"add 0086-10-1"_qs,
                                 u"add 0086-10-2"_qs, u"remove 0086-10-1"_qs, u"clear"_qs}));
    EXPECT_EQ(notices, (QStringList{u"!不能删除"_qs, u"删除成功"_qs, u"!公钥不正确"_qs}));
}

TEST_F(AddressBookTest, AReplyClaimingMoreThanItHoldsIsReadWithinIt) {
    Reply reply;
    reply.data = Bytes(Profile("1-2-3"));
    reply.dataLength = 60000;
    book.Entries(reply);
    EXPECT_EQ(book.Count(), 1);
}

TEST(AddFriendFlow, TwoStepsWithBackAndEmptyChecks) {
    ScriptedMessageBoxes boxes;
    AddFriendFlow flow(boxes);
    EXPECT_EQ(flow.CurrentView().prompt, u"请输入好友的Tessan号码:"_qs);
    EXPECT_FALSE(flow.CurrentView().backEnabled);
    EXPECT_FALSE(flow.Next(QString()));
    EXPECT_EQ(flow.Step(), 0);
    EXPECT_EQ(boxes.Texts(), QStringList{u"请输入添加好友的Tessan号码!"_qs});

    EXPECT_FALSE(flow.Next(u"0086-10-1"_qs));
    EXPECT_EQ(flow.Step(), 1);
    EXPECT_EQ(flow.CurrentView().prompt, u"请输入好友的公钥:"_qs);
    EXPECT_EQ(flow.CurrentView().nextLabel, u"完成"_qs);
    EXPECT_TRUE(flow.CurrentView().backEnabled);
    EXPECT_EQ(flow.CurrentView().editText, u"0086-10-1"_qs);  // proposed key, all selected
    EXPECT_TRUE(flow.CurrentView().selectAll);

    EXPECT_FALSE(flow.Next(QString()));
    EXPECT_EQ(flow.Step(), 1);
    EXPECT_EQ(boxes.Texts().last(), u"请输入添加好友的上传密码!"_qs);

    flow.Back();
    EXPECT_EQ(flow.Step(), 0);
    EXPECT_EQ(flow.CurrentView().editText, u"0086-10-1"_qs);
    EXPECT_EQ(flow.CurrentView().nextLabel, u"下一步>>"_qs);
    EXPECT_FALSE(flow.CurrentView().backEnabled);

    EXPECT_FALSE(flow.Next(u"0086-10-2"_qs));
    EXPECT_TRUE(flow.Next(u"0086-10-2"_qs));  // "完成" at once: key = number
    EXPECT_EQ(flow.Step(), 2);
    EXPECT_EQ(flow.FriendNumber(), u"0086-10-2"_qs);
    EXPECT_EQ(flow.FriendKey(), u"0086-10-2"_qs);
}

TEST(FieldInput, DigitFilterLooksOnlyAtTheEnd) {
    EXPECT_EQ(TrimToDigitOrDash(u"12a"_qs), u"12"_qs);
    EXPECT_EQ(TrimToDigitOrDash(u"1a-2xy "_qs), u"1a-2"_qs);
    EXPECT_EQ(TrimToDigitOrDash(u"abc"_qs), QString());
    EXPECT_EQ(TrimToDigitOrDash(u"１"_qs), QString());  // full-width digits are not digits
}

TEST(FieldInput, TypingIntoAFullFieldNeverSplitsATwoByteCharacter) {
    const QString thirty(30, u'a');
    EXPECT_EQ(FitGbk(thirty + u"中"_qs, 31), thirty);
    EXPECT_EQ(FitGbk(QString(29, u'a') + u"中"_qs, 31), QString(29, u'a') + u"中"_qs);
    EXPECT_EQ(FitGbk(u"\U00020000"_qs, 3), QString());  // four bytes in GB18030, kept whole

    // Typing in the middle: the typed text is cut, the text after the caret stays.
    const QString before = u"中文"_qs + QString(25, u'x') + u"尾"_qs;  // 31 bytes
    const FittedEdit typed = FitGbkEdit(before, u"中"_qs + u"国"_qs + before.mid(1), 31);
    EXPECT_EQ(typed.text, before);
    EXPECT_EQ(typed.caret, 1);
    EXPECT_TRUE(typed.cut);
    // A paste keeps what fits of it, in whole characters.
    const FittedEdit pasted = FitGbkEdit(QString(28, u'a'), QString(28, u'a') + u"一二三"_qs, 31);
    EXPECT_EQ(pasted.text, QString(28, u'a') + u"一"_qs);
    EXPECT_EQ(pasted.caret, 29);
    const FittedEdit fits = FitGbkEdit(u"a"_qs, u"ab"_qs, 31);
    EXPECT_FALSE(fits.cut);
}

}  // namespace
}  // namespace tessan
