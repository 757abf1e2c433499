// The client's connections and their owners: the own login's sequence, the hub it hands the rest
// to, and routing by owner (a reply on another owner's connection changes nothing).
#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/records/usertype.h"
#include "testsupport/clientparts.h"

#include <tessnet/tessnet.h>

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <array>

namespace tessan {
namespace {

QByteArray Gbk(const char* utf8) {
    return QStringToGbk(QString::fromUtf8(utf8));
}

QByteArray Bytes(const UserProfile& p) {
    return QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), UserProfile::kSize);
}

// Every listener appends what it saw to one log, so the order shows.
class LoginStateTest : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override {
        session.SetCurrentLogin(u"0086-10-1"_qs, u"k"_qs);
        QObject::connect(&session, &ClientSession::noticeShown, &context,
                         [this](const QString& text, bool error) {
                             log.append((error ? u"notice! "_qs : u"notice "_qs) + text);
                         });
        QObject::connect(&session, &ClientSession::noticesCleared, &context,
                         [this] { log.append(u"clear notices"_qs); });
        QObject::connect(&login, &LoginState::ownLoginAccepted, &context,
                         [this] { log.append(u"enable buttons"_qs); });
        QObject::connect(&login, &LoginState::loginResetBeforeDialog, &context,
                         [this] { log.append(u"address book emptied"_qs); });
        QObject::connect(&login, &LoginState::ownLoginResult, &context, [this](const Reply& r) {
            log.append(u"login dialog "_qs + QString::number(r.status) + u' ' + r.TextAt(0));
        });
        QObject::connect(&login, &LoginState::loginResetAfterDialog, &context,
                         [this] { log.append(u"received files emptied"_qs); });
        QObject::connect(&login, &LoginState::titleChanged, &context,
                         [this](const QString& title) { log.append(u"title "_qs + title); });
        QObject::connect(&login, &LoginState::ownConnectFailed, &context,
                         [this] { log.append(u"connect failed"_qs); });
        QObject::connect(&login, &LoginState::ownConnectionLost, &context,
                         [this] { log.append(u"reopen login"_qs); });
        ASSERT_EQ(login.Connect("127.0.0.1", 8800), 1);
    }

    QObject context;
    QStringList log;
};

TEST_F(LoginStateTest, LoginResultRunsTheResetsAroundTheLoginDialog) {
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1", Gbk("登录成功")));
    EXPECT_EQ(log, (QStringList{u"clear notices"_qs, u"notice 登录成功"_qs, u"enable buttons"_qs,
                                u"address book emptied"_qs, u"login dialog 1 登录成功"_qs,
                                u"received files emptied"_qs}));

    // Refused: same resets, the error flag, and no buttons.
    log.clear();
    library.Deliver(MakeReply(note::kLogin, 0, "0086-10-1", Gbk("私钥错误")));
    EXPECT_EQ(log,
              (QStringList{u"clear notices"_qs, u"notice! 私钥错误"_qs, u"address book emptied"_qs,
                           u"login dialog 0 私钥错误"_qs, u"received files emptied"_qs}));
}

TEST_F(LoginStateTest, OwnProfileIsSeenBeforeAndAfterItIsStoredAndASecondOneReplacesIt) {
    QObject::connect(&login, &LoginState::ownProfileArriving, &context,
                     [this](const UserProfile& p) {
                         log.append(u"address book sees quota "_qs +
                                    QString::number(session.OwnQuota()) + u' ' + p.Name());
                     });
    QObject::connect(&session, &ClientSession::ownProfileChanged, &context,
                     [this](const UserProfile& p) { log.append(u"settings see "_qs + p.Name()); });
    UserProfile profile;
    profile.SetText(UserProfile::Field::Name, u"张三"_qs);
    profile.SetUserType(kUserTypeBusiness);
    library.Deliver(MakeReply(note::kOwnProfile, 1, "0086-10-1", Bytes(profile), 1));
    EXPECT_EQ(session.OwnQuota(), 104857600);
    EXPECT_EQ(log, (QStringList{u"address book sees quota 0 张三"_qs, u"settings see 张三"_qs,
                                u"title Tessan v1.32  商务用户 0086-10-1  "_qs}));

    profile.SetUserType(kUserTypeFree);
    profile.SetText(UserProfile::Field::Name, u"张三丰"_qs);
    library.Deliver(MakeReply(note::kOwnProfile, 1, "0086-10-1", Bytes(profile), 1));
    EXPECT_EQ(session.OwnQuota(), 5242880);
    EXPECT_EQ(session.OwnProfile().Name(), u"张三丰"_qs);
    EXPECT_EQ(log.last(), u"title Tessan v1.32  免费用户 0086-10-1  "_qs);
}

TEST_F(LoginStateTest, ServerNoticesAskOnlyWhenTheStatusIsZero) {
    library.Deliver(
        MakeReply(note::kNotice, 1, "0086-10-1", QByteArray(1, '\1') + Gbk("系统维护")));
    EXPECT_EQ(log, QStringList{u"notice 系统维护"_qs});
    EXPECT_TRUE(boxes.Shown().empty());

    library.Deliver(
        MakeReply(note::kServerNotice, 0, "0086-10-1", QByteArray(1, '\0') + Gbk("请续费")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"请续费"_qs);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::OkCancel);
    EXPECT_EQ(log.last(), u"notice! 请续费"_qs);
}

TEST_F(LoginStateTest, RepliesReachOnlyTheirConnectionsOwnerAndWhatNobodyHearsIsLogged) {
    const QTemporaryDir logs;
    const QString diagnosticsPath = logs.filePath(u"diagnostics.txt"_qs);
    const DiagnosticsFile diagnostics(diagnosticsPath);
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1", "ok"));
    log.clear();
    // A type of the own connection nothing listens to.
    library.Deliver(MakeReply(note::kDelete, 1, "0086-10-1", "x"));
    int heard = 0;
    NotificationHub& hub = login.Notifications();
    QObject::connect(&hub, &NotificationHub::fileEntries, &context, [&heard] { ++heard; });
    QObject::connect(&hub, &NotificationHub::addressBookEntries, &context, [&heard] { ++heard; });
    // A friend's server, reached for an upload, speaks as if it were the own one.
    const QByteArray friendNumber = "0086-21-2";
    auto item = std::make_unique<TransferItem>(TransferItem::Direction::Upload);
    item->SetRaw(TransferItem::Field::AccountNumber, friendNumber);
    item->SetRaw(TransferItem::Field::ServerAddress, "127.0.0.2");
    item->SetRaw(TransferItem::Field::RemoteName, "a.txt");
    transfers.AppendUpload(std::move(item), 1);
    ASSERT_TRUE(transfers.StartNextUpload(TransferQueue::Refusal::Short));
    ASSERT_TRUE(connections.Owns(transfers, friendNumber));
    UserProfile impostor;
    impostor.SetText(UserProfile::Field::Name, u"冒充"_qs);
    for (const int type : {note::kOwnProfile, note::kFileEntries, note::kAddressBook, note::kNotice,
                           note::kDownloadAnswer})
        library.Deliver(MakeReply(type, 1, friendNumber, Bytes(impostor)));
    library.Deliver(MakeReply(note::kLogin, 1, "0086-99-9", "nobody's"));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(heard, 0);
    EXPECT_TRUE(session.OwnProfile().Name().isEmpty());
    EXPECT_TRUE(boxes.Shown().empty());
    QFile file(diagnosticsPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    const QString written = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(written.contains(
        u"tessan.notifications: notification type %1: nothing listens"_qs.arg(note::kDelete)))
        << written.toStdString();
    EXPECT_TRUE(written.contains(u"type 32 not expected on the connection of \"0086-21-2\""_qs));
    EXPECT_TRUE(written.contains(u"type 1 for \"0086-99-9\" on no connection of the client's"_qs));

    // The own login taking that number over closes the queue's connection first; the loss before
    // its verdict is then the login's failed connect, and the number has no connection left.
    session.SetCurrentLogin(QString::fromLatin1(friendNumber), u"k"_qs);
    library.calls.clear();
    login.Connect("127.0.0.1", 8800);
    EXPECT_EQ(library.calls.mid(0, 2),
              (QStringList{u"DisconnectServer 0086-10-1"_qs, u"DisconnectServer 0086-21-2"_qs}));
    EXPECT_TRUE(connections.Owns(login, friendNumber));
    log.clear();
    library.Deliver(MakeAccountEvent(note::kDisconnected, friendNumber));
    EXPECT_EQ(log, QStringList{u"connect failed"_qs});
    EXPECT_FALSE(connections.IsOpen(friendNumber));
}

TEST(DecodeNotification, ReadsTheLibraryRecordsAtTheirOffsets) {
    std::array<std::uint8_t, TESS_REPLY_SIZE> reply{};
    reply[TESS_REPLY_OFF_KIND] = 1;
    reply[TESS_REPLY_OFF_STATUS] = 1;
    std::memcpy(&reply[TESS_REPLY_OFF_ACCOUNT], "0086-10-1", 9);
    qToLittleEndian<std::uint16_t>(1024, &reply[TESS_REPLY_OFF_DATA_LENGTH]);
    std::memcpy(&reply[TESS_REPLY_OFF_DATA + 262], "done", 4);
    reply[TESS_REPLY_SIZE - 1] = 'z';  // the data area's last byte is kept
    const Notification n = DecodeNotification(note::kUploadAnswer, reply.data());
    ASSERT_TRUE(n.reply());
    EXPECT_EQ(n.reply()->account, "0086-10-1");
    EXPECT_EQ(n.reply()->dataLength, 1024);
    EXPECT_EQ(UploadAnswerOf(*n.reply()).text, u"done"_qs);
    EXPECT_EQ(n.reply()->RawTextAt(TESS_REPLY_DATA_MAX - 1), "z");
    EXPECT_TRUE(n.reply()->TextAt(TESS_REPLY_DATA_MAX).isEmpty());

    std::array<std::uint8_t, TESS_PROGRESS_SIZE> progress{};
    progress[TESS_PROGRESS_OFF_DIRECTION] = 1;
    std::memset(&progress[TESS_PROGRESS_OFF_FILE_NAME], 'n', TESS_NAME_SIZE);  // no terminator
    std::memcpy(&progress[TESS_PROGRESS_OFF_ACCOUNT], "acc", 3);
    std::memcpy(&progress[TESS_PROGRESS_OFF_PERCENT_TEXT], "99%", 3);
    qToLittleEndian<std::uint32_t>(70000, &progress[TESS_PROGRESS_OFF_FILE_SIZE]);
    qToLittleEndian<std::uint16_t>(99, &progress[TESS_PROGRESS_OFF_PERCENT]);
    const Notification p = DecodeNotification(note::kProgress, progress.data());
    ASSERT_TRUE(p.progress());
    EXPECT_EQ(p.progress()->fileName, QByteArray(TESS_NAME_SIZE, 'n'));
    EXPECT_EQ(p.progress()->account, "acc");
    EXPECT_EQ(p.progress()->percentText, "99%");
    EXPECT_EQ(p.progress()->fileSize, 70000u);
    EXPECT_EQ(p.progress()->percent, 99);

    std::array<std::uint8_t, TESS_QUEUE_EMPTY_SIZE> empty{};
    std::memcpy(&empty[TESS_QUEUE_EMPTY_OFF_ACCOUNT], "0086-10-2", 9);
    qToLittleEndian<std::uint16_t>(7, &empty[TESS_QUEUE_EMPTY_OFF_ZERO]);
    const Notification queue = DecodeNotification(note::kQueueEmpty, empty.data());
    ASSERT_TRUE(queue.queueEmpty());
    EXPECT_EQ(queue.queueEmpty()->account, "0086-10-2");
    EXPECT_EQ(queue.queueEmpty()->zeroWord, 7);

    const char account[] = "0086-10-1";
    const Notification lost = DecodeNotification(note::kDisconnected, account);
    ASSERT_TRUE(lost.accountEvent());
    EXPECT_EQ(lost.accountEvent()->account, "0086-10-1");
    EXPECT_EQ(DecodeNotification(note::kLogin, nullptr).reply(), nullptr);
}

}  // namespace
}  // namespace tessan
