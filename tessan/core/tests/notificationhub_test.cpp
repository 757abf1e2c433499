#include "core/library/notificationhub.h"
#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/records/usertype.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"
#include "testsupport/fakelibrary.h"
#include "testsupport/scriptedmessageboxes.h"

#include <tessnet/tessnet.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <array>

namespace tessan {
namespace {

QByteArray Gbk(const char* utf8) {
    return QStringToGbk(QString::fromUtf8(utf8));
}

// Every listener appends what it saw to one log, so the order shows.
class NotificationHubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.SetCurrentLogin(u"0086-10-1"_qs, u"k"_qs);
        QObject::connect(&session, &ClientSession::noticeShown, &session,
                         [this](const QString& text, bool error) {
                             log.append((error ? u"notice! "_qs : u"notice "_qs) + text);
                         });
        QObject::connect(&session, &ClientSession::noticesCleared, &session,
                         [this] { log.append(u"clear notices"_qs); });
        QObject::connect(&hub, &NotificationHub::ownLoginAccepted, &session,
                         [this] { log.append(u"enable buttons"_qs); });
        QObject::connect(&hub, &NotificationHub::titleChanged, &session,
                         [this](const QString& title) { log.append(u"title "_qs + title); });
        QObject::connect(&hub, &NotificationHub::settingsRequested, &session,
                         [this] { log.append(u"settings page"_qs); });
        QObject::connect(&hub, &NotificationHub::ownConnectionLost, &session,
                         [this] { log.append(u"reopen login"_qs); });
    }

    QTemporaryDir dir;
    FakeLibrary library;
    QStringList log;
    ScriptedMessageBoxes boxes;
    ClientSession session{dir.path(), library, boxes};
    NotificationHub& hub = session.Notifications();
};

TEST_F(NotificationHubTest, OwnLoginResultRunsTheResetsAroundTheLoginDialog) {
    QObject context;
    QObject::connect(&hub, &NotificationHub::loginResetBeforeDialog, &context,
                     [this] { log.append(u"address book emptied"_qs); });
    QObject::connect(&hub, &NotificationHub::loginResetAfterDialog, &context, [this] {
        log.append(u"received files emptied, transfers "_qs +
                   QString::number(session.Transfers().RowCount()));
    });
    QObject::connect(&hub, &NotificationHub::ownLoginResult, &context, [this](const Reply& r) {
        log.append(u"login dialog "_qs + QString::number(r.status) + u' ' + r.TextAt(0) +
                   u", transfers "_qs + QString::number(session.Transfers().RowCount()));
    });
    QObject::connect(&hub, &NotificationHub::recipientLoginResult, &context,
                     [this](const Reply&) { log.append(u"recipient"_qs); });
    session.Transfers().AppendDownload(
        std::make_unique<TransferItem>(TransferItem::Direction::Download), "left over", {});

    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1", Gbk("登录成功")));  // not started
    EXPECT_TRUE(log.isEmpty());
    session.StartLibrary();
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1", Gbk("登录成功")));
    EXPECT_EQ(log,
              (QStringList{u"clear notices"_qs, u"notice 登录成功"_qs, u"enable buttons"_qs,
                           u"address book emptied"_qs, u"login dialog 1 登录成功, transfers 1"_qs,
                           u"received files emptied, transfers 0"_qs}));

    // Refused: same resets, the error flag, and no buttons.
    log.clear();
    library.Deliver(MakeReply(note::kLogin, 0, "0086-10-1", Gbk("私钥错误")));
    EXPECT_EQ(log,
              (QStringList{u"clear notices"_qs, u"notice! 私钥错误"_qs, u"address book emptied"_qs,
                           u"login dialog 0 私钥错误, transfers 0"_qs,
                           u"received files emptied, transfers 0"_qs}));

    // A recipient's server answering goes to the sending pipeline only.
    log.clear();
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-2", "ok"));
    EXPECT_EQ(log, QStringList{u"recipient"_qs});
}

TEST_F(NotificationHubTest, OwnProfileIsSeenBeforeAndAfterItIsStoredAndASecondOneReplacesIt) {
    QObject context;
    QObject::connect(&hub, &NotificationHub::ownProfileArriving, &context,
                     [this](const UserProfile& p) {
                         log.append(u"address book sees quota "_qs +
                                    QString::number(session.OwnQuota()) + u' ' + p.Name());
                     });
    QObject::connect(
        &session, &ClientSession::ownProfileChanged, &context, [this](const UserProfile& p) {
            log.append(u"settings sees "_qs + session.OwnProfile().Name() + u' ' + p.Name());
        });
    UserProfile profile;
    profile.SetText(UserProfile::Field::Name, u"张三"_qs);
    profile.SetUserType(kUserTypeBusiness);
    const auto bytes = [](const UserProfile& p) {
        return QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), UserProfile::kSize);
    };
    hub.Dispatch(MakeReply(note::kOwnProfile, 1, "0086-10-1234567", bytes(profile), 1));
    EXPECT_EQ(session.OwnQuota(), 104857600);
    EXPECT_EQ(session.OwnProfile().Name(), u"张三"_qs);
    EXPECT_EQ(log, (QStringList{u"address book sees quota 0 张三"_qs, u"settings sees 张三 张三"_qs,
                                u"title Tessan v1.32  商务用户 0086-10-1234567  "_qs}));

    log.clear();
    profile.SetUserType(kUserTypeFree);
    profile.SetText(UserProfile::Field::Name, u"张三丰"_qs);
    hub.Dispatch(MakeReply(note::kOwnProfile, 1, "0086-10-1234567", bytes(profile), 1));
    EXPECT_EQ(session.OwnQuota(), 5242880);
    EXPECT_EQ(session.OwnProfile().Name(), u"张三丰"_qs);
    EXPECT_EQ(log.last(), u"title Tessan v1.32  免费用户 0086-10-1234567  "_qs);
}

TEST_F(NotificationHubTest, ServerNoticesAskOnlyWhenTheStatusIsZero) {
    hub.Dispatch(MakeReply(note::kNotice, 1, "0086-10-1", QByteArray(1, '\1') + Gbk("系统维护")));
    EXPECT_EQ(log, QStringList{u"notice 系统维护"_qs});
    EXPECT_TRUE(boxes.Shown().empty());

    hub.Dispatch(
        MakeReply(note::kServerNotice, 0, "0086-10-1", QByteArray(1, '\0') + Gbk("请续费")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"请续费"_qs);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::OkCancel);
    EXPECT_EQ(log.last(), u"notice! 请续费"_qs);
}

TEST_F(NotificationHubTest, LostOwnConnectionNoticesThenReopensTheLoginOthersAreIgnored) {
    hub.Dispatch(MakeAccountEvent(note::kDisconnected, "0086-10-2"));
    EXPECT_TRUE(log.isEmpty());
    hub.Dispatch(MakeAccountEvent(note::kDisconnected, "0086-10-1"));
    EXPECT_EQ(log,
              (QStringList{u"notice! 断开与服务器的连接，请重新登录!"_qs, u"reopen login"_qs}));
}

TEST_F(NotificationHubTest, TypedSignalsUnknownTypesAndTheSettingsPage) {
    QObject context;
    QList<int> seen;
    QObject::connect(&hub, &NotificationHub::uploadAnswer, &context,
                     [&seen](const UploadAnswer& a) { seen.append(a.status); });
    QObject::connect(&hub, &NotificationHub::queueEmpty, &context,
                     [&seen](const QueueEmpty& e) { seen.append(e.account.size()); });
    QObject::connect(&hub, &NotificationHub::progress, &context,
                     [&seen](const Progress& p) { seen.append(p.percent); });
    hub.Dispatch(MakeProgress(0, "a", "b", 7));
    hub.Dispatch(MakeReply(note::kUploadAnswer, 9, "b", "x"));
    hub.Dispatch(MakeAccountEvent(note::kQueueEmpty, "bbb"));
    EXPECT_EQ(seen, (QList<int>{7, 9, 3}));

    // Types nobody listens to are dropped; types nobody knows are reported.
    hub.Dispatch(MakeReply(note::kFileEntries, 1, "0086-10-1", {}));
    hub.Dispatch(MakeReply(29, 1, "0086-10-1", "data"));
    hub.Dispatch({note::kShowSettings, {}});
    EXPECT_EQ(log, (QStringList{u"notice! 无法识别的消息类型:29\r\n"_qs, u"settings page"_qs}));
}

TEST_F(NotificationHubTest, EveryListenerHearsItsTypeUntilItGoesAndWhatNobodyHearsIsLogged) {
    QTemporaryDir logs;
    const QString diagnosticsPath = logs.filePath(u"diagnostics.txt"_qs);
    const DiagnosticsFile diagnostics(diagnosticsPath);
    ASSERT_TRUE(diagnostics.IsOpen());

    QStringList heard;
    auto first = std::make_unique<QObject>();
    QObject second;
    QObject::connect(&hub, &NotificationHub::listSummary, first.get(),
                     [&heard](const Reply& r) { heard.append(u"first "_qs + r.TextAt(0)); });
    QObject::connect(&hub, &NotificationHub::listSummary, &second,
                     [&heard](const Reply& r) { heard.append(u"second "_qs + r.TextAt(0)); });
    hub.Dispatch(MakeReply(note::kListSummary, 1, "0086-10-2", "a"));
    EXPECT_EQ(heard, (QStringList{u"first a"_qs, u"second a"_qs}));

    // A dialog that closed while subscribed hears nothing more, and nothing breaks.
    first.reset();
    hub.Dispatch(MakeReply(note::kListSummary, 1, "0086-10-2", "b"));
    EXPECT_EQ(heard.last(), u"second b"_qs);
    EXPECT_EQ(heard.size(), 3);

    // Known types without a listener are dropped, with a line in the diagnostics.
    hub.Dispatch(MakeReply(note::kAddressBook, 1, "0086-10-1", "x"));
    hub.Dispatch(MakeAccountEvent(note::kQueueEmpty, "0086-10-2"));
    EXPECT_TRUE(log.isEmpty());
    QFile file(diagnosticsPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(written.contains(u"tessan.notifications: notification type 28: nothing listens"_qs))
        << written.toStdString();
    EXPECT_TRUE(written.contains(u"notification type 33: nothing listens"_qs));
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
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
