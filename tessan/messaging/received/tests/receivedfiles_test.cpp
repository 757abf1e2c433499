#include "messaging/received/receivedfiles.h"

#include "messaging/received/tests/testentries.h"
#include "testsupport/clientparts.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <deque>

namespace tessan {
namespace {

using Answer = MessageBoxes::Answer;

class ScriptedOverwrite final : public OverwriteQuestion {
  public:
    Answer Ask(const Request& request) override {
        asked.append(request.message);
        if (whileAsking) whileAsking();
        if (answers.empty()) return {};
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<Answer> answers;
    QStringList asked;
    std::function<void()> whileAsking;  // answers that arrive while the question is open
};

class ReceivedFilesTest : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override {
        LogIn("0086-10-1", "secret");
        QDir().mkpath(Download());
        UserProfile own;
        own.SetText(UserProfile::Field::Number, u"0086-10-1"_qs);
        own.SetText(UserProfile::Field::Name, u"张三"_qs);
        session.StoreOwnProfile(own);  // the free tier: 5 MB
    }

    void List(std::initializer_list<ReceivedFileEntry> entries) {
        files.OnFileEntries(
            *MakeReply(note::kFileEntries, 1, "0086-10-1", Records(entries), 1).reply());
    }
    QString Download() const { return session.DownloadFolder(); }
    void Touch(const QString& name) {
        QFile f(Download() + u"/"_qs + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList TransferNames() const {
        QStringList names;
        for (int row = 0; row < transfers.RowCount(); ++row)
            names.append(transfers.Table().Cell(row, TransferTable::kName));
        return names;
    }

    ScriptedOverwrite overwrite;
    int loginCommands = 0;
    ReceivedFiles files{session,
                        login,
                        library,
                        boxes,
                        transfers,
                        overwrite,
                        [this] { ++loginCommands; },
                        [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 8, 7)); }};
};

TEST_F(ReceivedFilesTest, RefreshEmptiesTheListAndAsksAgainOrOpensTheLogin) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-3", "b")});
    files.ToggleCheckAll();
    EXPECT_EQ(files.SelectAllText(), u"取消"_qs);
    files.Refresh();
    EXPECT_EQ(files.Model().RowCount(), 0);
    EXPECT_EQ(files.Model().FileCount(), 0);
    EXPECT_EQ(files.SelectAllText(), u"全选"_qs);
    EXPECT_EQ(library.calls, QStringList{u"ListFile 0086-10-1"_qs});
    EXPECT_EQ(loginCommands, 0);

    library.Script(u"ListFile"_qs, {-1});
    files.Refresh();
    EXPECT_EQ(notices, QStringList{u"列表文件失败!请先登录服务器!"_qs});
    EXPECT_EQ(loginCommands, 1);
}

TEST_F(ReceivedFilesTest, TheListSummaryShowsTheReplyAndTheSpace) {
    List({Entry("0086-10-2", "a", 2048)});
    QStringList summaries;
    QObject::connect(&files, &ReceivedFiles::summaryChanged, &files,
                     [&](const ReceivedFilesModel::SpaceSummary& s) { summaries.append(s.text); });
    files.OnListSummary(*MakeReply(note::kListSummary, 1, "0086-10-1", Gbk("共1个文件")).reply());
    EXPECT_EQ(notices, QStringList{u"共1个文件"_qs});
    EXPECT_EQ(summaries, QStringList{u"共有文件:1个,总长度:2KB,剩余空间:5118KB."_qs});
}

TEST_F(ReceivedFilesTest, TwoDeletionsRefreshOnlyAfterBothAnswers) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-3", "b"), Entry("0086-10-4", "c")});
    // Row 0 is "c"; tick "a" (row 2) and select "b" (row 1): selection counts like a check.
    files.Model().SetChecked(2, true);
    boxes.Script({Answer::Yes});
    files.DeleteChecked({1});
    EXPECT_EQ(boxes.Texts(), QStringList{u"确实要删除这2个文件吗？"_qs});
    EXPECT_EQ(boxes.Shown()[0].caption, u"警告"_qs);
    EXPECT_EQ(library.calls, (QStringList{u"DelFile 0086-10-1 0086-10-2@a"_qs,
                                          u"DelFile 0086-10-1 0086-10-3@b"_qs}));
    EXPECT_EQ(files.PendingDeletes(), 2);
    EXPECT_FALSE(files.DeleteEnabled());

    library.calls.clear();
    files.OnDeleteResult(*MakeReply(note::kDelete, 1, "0086-10-1", Gbk("删除成功")).reply());
    EXPECT_EQ(files.Model().RowCount(), 3);
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_FALSE(files.DeleteEnabled());
    files.OnDeleteResult(*MakeReply(note::kDelete, 0, "0086-10-1", Gbk("没有这个文件")).reply());
    EXPECT_EQ(files.Model().RowCount(), 0);
    EXPECT_EQ(files.Model().TotalBytes(), 0);
    EXPECT_EQ(library.calls, QStringList{u"ListFile 0086-10-1"_qs});
    EXPECT_TRUE(files.DeleteEnabled());
    EXPECT_EQ(notices, (QStringList{u"删除成功"_qs, u"没有这个文件"_qs}));

    // A stray answer changes nothing.
    files.OnDeleteResult(*MakeReply(note::kDelete, 1, "0086-10-1", Gbk("x")).reply());
    EXPECT_EQ(library.calls.size(), 1);
}

TEST_F(ReceivedFilesTest, DeletingAsksFirstAndTheMenuCountsOnlyWhatWasSent) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-3", "b")});
    files.DeleteChecked({});  // nothing checked or selected: no question
    EXPECT_TRUE(boxes.Shown().empty());

    boxes.Script({Answer::No});
    files.DeleteChecked({1});
    EXPECT_EQ(boxes.Texts(), QStringList{u"确实要删除文件:a吗？"_qs});
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_TRUE(files.DeleteEnabled());

    boxes.Reset();
    library.Script(u"DelFile"_qs, {-1, 1});
    boxes.Script({Answer::Yes, Answer::Yes});
    files.DeleteSelected({1, 0});  // the first selected row: "b"
    EXPECT_EQ(boxes.Texts(), QStringList{u"确实要删除文件:b吗？"_qs});
    EXPECT_EQ(notices, QStringList{u"删除文件失败，请先登录服务器!"_qs});
    EXPECT_EQ(files.PendingDeletes(), 0);
    files.DeleteSelected({0});
    EXPECT_EQ(files.PendingDeletes(), 1);
    EXPECT_TRUE(files.DeleteEnabled());  // the menu does not disable the button
}

TEST_F(ReceivedFilesTest, DownloadQueuesEveryCheckedRowAndRequestsTheFirst) {
    List({Entry("0086-10-2", "a.txt", 100, 0, "李四"), Entry("0086-10-3", "b.bin", 5000),
          Entry("0086-10-4", "c.wav")});
    files.Model().SetChecked(0, true);
    files.DownloadChecked({2});
    EXPECT_TRUE(overwrite.asked.isEmpty());
    EXPECT_EQ(TransferNames(), (QStringList{u"c.wav"_qs, u"a.txt"_qs}));
    EXPECT_EQ(transfers.Table().Cell(1, TransferTable::kSize), u"1KB"_qs);
    EXPECT_EQ(transfers.Table().Cell(1, TransferTable::kState), u"等待下载"_qs);
    EXPECT_EQ(transfers.Table().Cell(1, TransferTable::kReceivedFrom), u"0086-10-2"_qs);
    const TransferItem& item = *transfers.Item(1);
    EXPECT_EQ(item.direction(), TransferItem::Direction::Download);
    EXPECT_EQ(item.LocalPath(), Download() + u"/a.txt"_qs);
    EXPECT_EQ(item.Raw(TransferItem::Field::RemoteName), "0086-10-2@a.txt");
    EXPECT_EQ(item.Raw(TransferItem::Field::AccountNumber), "0086-10-1");
    EXPECT_EQ(item.Raw(TransferItem::Field::AccountKey), "secret");
    EXPECT_EQ(item.Text(TransferItem::Field::PeerName), u"李四"_qs);
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-4@c.wav"_qs});
    EXPECT_TRUE(files.Model().IsChecked(2));  // checks stay set

    // A second command while downloads are queued appends and requests nothing.
    library.calls.clear();
    files.Model().SetAllChecked(false);
    files.DownloadChecked({1});
    EXPECT_EQ(TransferNames().last(), u"b.bin"_qs);
    EXPECT_TRUE(library.calls.isEmpty());

    // The server's answer for the first removes its row and asks for the next one.
    QByteArray answer(260, '\0');
    answer.replace(0, 5, "c.wav");
    answer += Gbk("下载完毕");
    files.OnDownloadAnswer(
        DownloadAnswerOf(*MakeReply(note::kDownloadAnswer, 1, "0086-10-1", answer, 1).reply()));
    EXPECT_EQ(TransferNames(), (QStringList{u"a.txt"_qs, u"b.bin"_qs}));
    EXPECT_EQ(notices, QStringList{u"下载完毕"_qs});
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@a.txt"_qs});

    // A refused request leaves the rows queued.
    library.Script(u"DownLoad"_qs, {-1});
    answer.replace(0, 5, "a.txt");
    files.OnDownloadAnswer(
        DownloadAnswerOf(*MakeReply(note::kDownloadAnswer, 0, "0086-10-1", answer, 1).reply()));
    EXPECT_EQ(TransferNames(), QStringList{u"b.bin"_qs});
    EXPECT_EQ(notices.last(), u"不能下载文件，请先登录服务器!"_qs);
}

TEST_F(ReceivedFilesTest, OverwriteForAllAsksOnceOrStopsTheRest) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-2", "b"), Entry("0086-10-2", "c")});
    for (const char* name : {"a", "b", "c"}) Touch(QString::fromLatin1(name));
    files.Model().SetAllChecked(true);

    // "对所有文件" ticked and "覆盖" at the first question: asked once, all three queued.
    overwrite.answers = {{true, true}};
    files.DownloadChecked({});
    EXPECT_EQ(overwrite.asked,
              QStringList{u"文件:"_qs + Download() + u"/c已经存在！\r\n是否覆盖?"_qs});
    EXPECT_EQ(TransferNames(), (QStringList{u"c"_qs, u"b"_qs, u"a"_qs}));
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@c"_qs});

    transfers.Clear();
    library.calls.clear();
    overwrite.asked.clear();
    // "覆盖" alone for the first, then "取消" with the box ticked: the rest is not queued, the
    // one queued before is still requested.
    overwrite.answers = {{true, false}, {false, true}};
    files.DownloadChecked({});
    EXPECT_EQ(overwrite.asked.size(), 2);
    EXPECT_EQ(TransferNames(), QStringList{u"c"_qs});
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@c"_qs});

    transfers.Clear();
    library.calls.clear();
    // "取消" without the box skips only that file.
    overwrite.answers = {{false, false}, {true, false}, {false, false}};
    files.DownloadChecked({});
    EXPECT_EQ(TransferNames(), QStringList{u"b"_qs});
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@b"_qs});
}

TEST_F(ReceivedFilesTest, RowsArrivingWhileAQuestionIsOpenDoNotChangeWhatIsDownloaded) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-2", "b")});
    Touch(u"a"_qs);
    files.Model().SetChecked(1, true);
    overwrite.answers = {{true, false}};
    overwrite.whileAsking = [this] {
        for (const char* name : {"c", "d", "e", "f", "g"}) List({Entry("0086-10-3", name)});
    };
    files.DownloadChecked({});
    EXPECT_EQ(TransferNames(), QStringList{u"a"_qs});
    EXPECT_EQ(files.Model().RowCount(), 7);
}

TEST_F(ReceivedFilesTest, ANameThatWouldLeaveTheDownloadFolderIsNeverRequestedOneNotGbkIs) {
    ReceivedFileEntry evil = Entry("0086-10-2", "x");
    evil.storedName = "0086-10-2@../../.bashrc";
    ReceivedFileEntry dots = Entry("0086-10-2", "x");
    dots.storedName = "0086-10-2@..";
    // A name that is not GBK is no danger: it downloads under '_' for each byte that is not.
    ReceivedFileEntry broken = Entry("0086-10-2", "x");
    broken.storedName = "0086-10-2@a\xFF.txt";
    List({broken, evil, dots});
    ASSERT_EQ(files.Model().RowCount(), 3);
    EXPECT_EQ(files.Model().At(1).fileNameText, u"../../.bashrc"_qs);
    files.DownloadChecked({0, 1, 2});
    ASSERT_EQ(transfers.RowCount(), 1);
    EXPECT_EQ(transfers.Item(0)->LocalPath(), Download() + u"/a_.txt"_qs);
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@a%FF.txt"_qs});
    // And it is deleted by the same bytes.
    boxes.Script({Answer::Yes});
    files.DeleteSelected({2});  // the oldest entry, at the bottom
    EXPECT_EQ(library.calls.last(), u"DelFile 0086-10-1 0086-10-2@a%FF.txt"_qs);
    EXPECT_EQ(notices, (QStringList{u"文件:..的名字不能用作本地文件名,不能下载!"_qs,
                                    u"文件:../../.bashrc的名字不能用作本地文件名,不能下载!"_qs}));
}

TEST_F(ReceivedFilesTest, ConfirmDownloadAsksAndLeavesTheRowUnchecked) {
    List({Entry("0086-10-2", "a"), Entry("0086-10-2", "b")});
    boxes.Script({Answer::No, Answer::Yes});
    files.ConfirmDownload({0});
    EXPECT_EQ(boxes.Texts(), QStringList{u"真的要下载文件:b吗？"_qs});
    EXPECT_FALSE(files.Model().IsChecked(0));
    EXPECT_EQ(transfers.RowCount(), 0);

    files.Model().SetChecked(1, true);  // every checked row goes along
    files.ConfirmDownload({0});
    EXPECT_EQ(TransferNames(), (QStringList{u"b"_qs, u"a"_qs}));
    EXPECT_FALSE(files.Model().IsChecked(0));
    EXPECT_TRUE(files.Model().IsChecked(1));
}

TEST_F(ReceivedFilesTest, AddingTheSenderAsAFriendSendsItsNumberAndKey) {
    List({Entry("0086-10-1", "mine"), Entry("0086-10-2", "theirs")});
    files.AddSenderAsFriend({});
    files.AddSenderAsFriend({1});
    EXPECT_EQ(notices, QStringList{u"不用添加自己为好友!"_qs});
    EXPECT_TRUE(boxes.Shown().empty());

    boxes.Script({Answer::Yes, Answer::Yes});
    library.Script(u"AddFriend"_qs, {1, 0});
    files.AddSenderAsFriend({0});
    EXPECT_EQ(boxes.Texts(), QStringList{u"确实要将:0086-10-2加为好友吗？"_qs});
    EXPECT_EQ(library.calls, QStringList{u"AddFriend 0086-10-1 0086-10-2"_qs});
    files.AddSenderAsFriend({0});
    EXPECT_EQ(notices.last(), u"添加好友失败，先登录服务器!"_qs);
}

TEST_F(ReceivedFilesTest, RepliesGreetTheSenderUnderTheFileNameUpToItsFirstDot) {
    EXPECT_EQ(ReceivedFiles::ReplySubject(u"report.final.doc"_qs), u"RE：report"_qs);
    EXPECT_EQ(ReceivedFiles::ReplySubject(u"README"_qs), u"RE：README"_qs);
    EXPECT_EQ(ReceivedFiles::ReplySubject(u".profile"_qs), u"RE："_qs);

    ReceivedFileEntry e = Entry("0086-10-2", "a.b.txt", 1, 0, "李四");
    e.senderKey = QByteArray(32, 'K');  // a key that fills its field is kept whole
    List({e});
    EXPECT_FALSE(files.TextReply({}).has_value());
    const auto text = files.TextReply({0});
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->recipientLine, u"0086-10-2\t李四"_qs);
    EXPECT_EQ(text->recipientKey, QByteArray(32, 'K'));
    EXPECT_EQ(text->ownNumber, "0086-10-1");
    EXPECT_EQ(text->subject, u"RE：a"_qs);
    EXPECT_EQ(text->body,
              u"李四您好:\r\n\t你于"_qs + files.Model().DateText(0) +
                  u" 发送的文件:\"a.b.txt\"我已经收到!"_qs + QStringLiteral("\r\n").repeated(12) +
                  u"\t\t\t\t\t\t张三  0086-10-1\r\n\t\t\t\t\t\t2026年12月07日 09:08:07"_qs);
    const auto voice = files.VoiceReply({0});
    ASSERT_TRUE(voice.has_value());
    EXPECT_EQ(voice->subject, u"RE：a"_qs);
    EXPECT_TRUE(voice->body.isEmpty());
}

TEST_F(ReceivedFilesTest, TheNotificationsReachThePageAndANewOwnLoginEmptiesTheList) {
    library.Deliver(MakeReply(note::kFileEntries, 1, "0086-10-1",
                              Records({Entry("0086-10-2", "a"), Entry("0086-10-2", "b")}), 1));
    ASSERT_EQ(files.Model().RowCount(), 2);
    files.Model().SetChecked(0, true);
    boxes.Script({Answer::Yes});
    files.DeleteChecked({});
    EXPECT_EQ(files.PendingDeletes(), 1);

    // A login result on a connection that is not the own one is not a new login.
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-2", Gbk("登录成功")));
    EXPECT_EQ(files.Model().RowCount(), 2);

    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1", Gbk("登录成功")));
    EXPECT_EQ(files.Model().RowCount(), 0);
    EXPECT_EQ(files.Model().TotalBytes(), 0);
    // The old connection's deletion will not be answered; a later answer refreshes nothing.
    EXPECT_EQ(files.PendingDeletes(), 0);
    library.calls.clear();
    library.Deliver(MakeReply(note::kDelete, 1, "0086-10-1", Gbk("删除成功")));
    EXPECT_TRUE(library.calls.isEmpty());

    library.Deliver(MakeReply(note::kFileEntries, 1, "0086-10-1",
                              Records({Entry("0086-10-2", "a")}),
                              1));  // listed again after the new login
    EXPECT_EQ(files.Model().RowCount(), 1);
}

}  // namespace
}  // namespace tessan
