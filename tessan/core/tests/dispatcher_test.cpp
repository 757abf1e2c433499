#include "core/dispatcher.h"
#include "account/usertype.h"
#include "core/gbk.h"
#include "core/globals.h"
#include "testsupport/fakelibrary.h"
#include "testsupport/scriptedmessageboxes.h"

#include <tessnet/tessnet.h>

#include <QtEndian>

#include <gtest/gtest.h>

#include <array>

namespace tessan {
namespace {

QByteArray Gbk(const char* utf8) {
    return QStringToGbk(QString::fromUtf8(utf8));
}

// Every hook and joined handler appends what it saw to one log, so the order shows.
class DispatcherTest : public ::testing::Test {
  protected:
    void SetUp() override { CurrentAccount = AccountText("0086-10-1"); }
    void TearDown() override {
        CurrentAccount.Clear();
        OwnProfile = UserProfile();
        OwnQuota = 0;
    }

    Dispatcher::Hooks Hooks() {
        Dispatcher::Hooks h;
        h.showNotice = [this](const QString& text, bool error) {
            log.append((error ? u"notice! "_qs : u"notice "_qs) + text);
        };
        h.clearNotices = [this] { log.append(u"clear notices"_qs); };
        h.enablePageButtons = [this] { log.append(u"enable buttons"_qs); };
        h.setTitle = [this](const QString& title) { log.append(u"title "_qs + title); };
        h.showPage = [this](int page) { log.append(u"page "_qs + QString::number(page)); };
        h.postLoginCommand = [this] { log.append(u"post login"_qs); };
        return h;
    }

    QStringList log;
    ScriptedMessageBoxes boxes;
    Dispatcher dispatcher{Hooks(), boxes};
};

TEST_F(DispatcherTest, OwnLoginResultRunsTheResetGroupsAroundTheLoginDialog) {
    dispatcher.JoinResetBeforeLoginDialog([this] { log.append(u"address book emptied"_qs); });
    dispatcher.JoinResetAfterLoginDialog([this] { log.append(u"transfer list emptied"_qs); });
    dispatcher.JoinResetAfterLoginDialog([this] { log.append(u"received files emptied"_qs); });
    dispatcher.SetLoginDialog([this](const Reply& r) {
        log.append(u"login dialog "_qs + QString::number(r.status) + u' ' + r.TextAt(0));
    });
    dispatcher.Route(note::kLogin, [this](const Notification&) { log.append(u"recipient"_qs); });

    dispatcher.DispatchNotification(MakeReply(note::kLogin, 1, "0086-10-1", Gbk("登录成功")));
    EXPECT_EQ(log, (QStringList{u"clear notices"_qs, u"notice 登录成功"_qs, u"enable buttons"_qs,
                                u"address book emptied"_qs, u"login dialog 1 登录成功"_qs,
                                u"transfer list emptied"_qs, u"received files emptied"_qs}));

    // Refused: same resets, the error flag, and no buttons.
    log.clear();
    dispatcher.DispatchNotification(MakeReply(note::kLogin, 0, "0086-10-1", Gbk("私钥错误")));
    EXPECT_EQ(log, (QStringList{u"clear notices"_qs, u"notice! 私钥错误"_qs,
                                u"address book emptied"_qs, u"login dialog 0 私钥错误"_qs,
                                u"transfer list emptied"_qs, u"received files emptied"_qs}));

    // A recipient's server answering goes to the sending pipeline only.
    log.clear();
    dispatcher.DispatchNotification(MakeReply(note::kLogin, 1, "0086-10-2", "ok"));
    EXPECT_EQ(log, QStringList{u"recipient"_qs});
}

TEST_F(DispatcherTest, OwnProfileSetsQuotaProfileAndTitleAndASecondOneReplacesThem) {
    dispatcher.JoinOwnProfileBeforeStore([this](const UserProfile& p) {
        log.append(u"address book sees quota "_qs + QString::number(OwnQuota) + u' ' + p.Name());
    });
    dispatcher.JoinOwnProfileAfterStore([this](const UserProfile& p) {
        log.append(u"settings sees "_qs + OwnProfile.Name() + u' ' + p.Name());
    });
    UserProfile profile;
    profile.SetText(UserProfile::Field::Name, u"张三"_qs);
    profile.SetUserType(kUserTypeBusiness);
    const auto bytes = [](const UserProfile& p) {
        return QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), UserProfile::kSize);
    };
    dispatcher.DispatchNotification(
        MakeReply(note::kOwnProfile, 1, "0086-10-1234567", bytes(profile), 1));
    EXPECT_EQ(OwnQuota, 104857600);
    EXPECT_EQ(OwnProfile.Name(), u"张三"_qs);
    EXPECT_EQ(log, (QStringList{u"address book sees quota 0 张三"_qs, u"settings sees 张三 张三"_qs,
                                u"title Tessan v1.32  商务用户 0086-10-1234567  "_qs}));

    log.clear();
    profile.SetUserType(kUserTypeFree);
    profile.SetText(UserProfile::Field::Name, u"张三丰"_qs);
    dispatcher.DispatchNotification(
        MakeReply(note::kOwnProfile, 1, "0086-10-1234567", bytes(profile), 1));
    EXPECT_EQ(OwnQuota, 5242880);
    EXPECT_EQ(OwnProfile.Name(), u"张三丰"_qs);
    EXPECT_EQ(log.last(), u"title Tessan v1.32  免费用户 0086-10-1234567  "_qs);
}

TEST_F(DispatcherTest, ServerNoticesAskOnlyWhenTheStatusIsZero) {
    dispatcher.DispatchNotification(
        MakeReply(note::kNotice, 1, "0086-10-1", QByteArray(1, '\1') + Gbk("系统维护")));
    EXPECT_EQ(log, QStringList{u"notice 系统维护"_qs});
    EXPECT_TRUE(boxes.Shown().empty());

    dispatcher.DispatchNotification(
        MakeReply(note::kServerNotice, 0, "0086-10-1", QByteArray(1, '\0') + Gbk("请续费")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"请续费"_qs);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::OkCancel);
    EXPECT_EQ(log.last(), u"notice! 请续费"_qs);
}

TEST_F(DispatcherTest, LostOwnConnectionNoticesThenReopensTheLoginOthersAreIgnored) {
    dispatcher.DispatchNotification(MakeAccountEvent(note::kDisconnected, "0086-10-2"));
    EXPECT_TRUE(log.isEmpty());
    dispatcher.DispatchNotification(MakeAccountEvent(note::kDisconnected, "0086-10-1"));
    EXPECT_EQ(log, (QStringList{u"notice! 断开与服务器的连接，请重新登录!"_qs, u"post login"_qs}));
}

TEST_F(DispatcherTest, RoutesUnknownTypesAndTheSettingsPage) {
    QList<int> routed;
    for (const int type : {note::kProgress, note::kUploadAnswer, note::kQueueEmpty})
        dispatcher.Route(type, [&routed](const Notification& n) { routed.append(n.type); });
    dispatcher.DispatchNotification(MakeProgress(0, "a", "b", 1));
    dispatcher.DispatchNotification(MakeReply(note::kUploadAnswer, 1, "b", "x"));
    dispatcher.DispatchNotification(MakeAccountEvent(note::kQueueEmpty, "b"));
    EXPECT_EQ(routed, (QList<int>{254, 9, 33}));

    // Types of pages that have not joined are dropped; others are unknown.
    dispatcher.DispatchNotification(MakeReply(note::kFileEntries, 1, "0086-10-1", {}));
    dispatcher.DispatchNotification(MakeReply(29, 1, "0086-10-1", "data"));
    dispatcher.DispatchNotification({note::kShowSettings, {}});
    EXPECT_EQ(log, (QStringList{u"notice! 无法识别的消息类型:29\r\n"_qs, u"page 4"_qs}));
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
    EXPECT_EQ(n.reply()->TextAt(262), u"done"_qs);
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

    const char account[] = "0086-10-1";
    const Notification lost = DecodeNotification(note::kDisconnected, account);
    ASSERT_TRUE(lost.accountEvent());
    EXPECT_EQ(lost.accountEvent()->account, "0086-10-1");
    EXPECT_EQ(DecodeNotification(note::kLogin, nullptr).reply(), nullptr);
}

}  // namespace
}  // namespace tessan
