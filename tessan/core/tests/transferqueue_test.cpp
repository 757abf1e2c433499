#include "core/transfers/transferqueue.h"
#include "core/base/gbk.h"
#include "core/transfers/transferlogs.h"
#include "testsupport/clientparts.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using Field = TransferItem::Field;
using Direction = TransferItem::Direction;

QByteArray Gbk(const char* utf8) {
    return QStringToGbk(QString::fromUtf8(utf8));
}

std::unique_ptr<TransferItem> Upload(const char* recipient, const char* name, const char* file,
                                     const char* address = "127.0.0.1") {
    auto item = std::make_unique<TransferItem>(Direction::Upload);
    item->SetRaw(Field::ServerAddress, address);
    item->SetServerPort(8800);
    item->SetRaw(Field::PeerNumber, recipient);
    item->SetRaw(Field::AccountNumber, recipient);
    item->SetRaw(Field::PeerName, Gbk(name));
    item->SetRaw(Field::AccountKey, "pub");
    item->SetRaw(Field::RemoteName, Gbk(file));
    item->SetLocalPath(QStringLiteral("/home/u/") + QString::fromUtf8(file));
    return item;
}

std::unique_ptr<TransferItem> Download(const char* sender, const char* name, const char* file) {
    auto item = std::make_unique<TransferItem>(Direction::Download);
    item->SetRaw(Field::PeerNumber, sender);
    item->SetRaw(Field::AccountNumber, "0086-10-1");
    item->SetRaw(Field::PeerName, Gbk(name));
    item->SetRaw(Field::RemoteName, QByteArray(sender) + '@' + Gbk(file));
    return item;
}

class TransferQueueTest : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override { session.SetCurrentLogin(u"0086-10-1"_qs, u"own"_qs); }

    int AddUpload(const char* recipient, const char* name, const char* file,
                  const char* address = "127.0.0.1") {
        return list.AppendUpload(Upload(recipient, name, file, address), 42);
    }
    int AddDownload(const char* sender, const char* name, const char* file) {
        return list.AppendDownload(Download(sender, name, file), Gbk(file), u"1K"_qs);
    }
    QString State(int row) const { return list.Table().Cell(row, TransferTable::kState); }
    QString Name(int row) const { return list.Table().Cell(row, TransferTable::kName); }
    QByteArray Log(TransferLog which) const {
        QFile file(TransferLogPath(dir.path(), "0086-10-1", which));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString LogText(TransferLog which) const { return GbkToQString(Log(which)); }
    // Hands the waiting uploads to the library as far as they may go; forgets the calls.
    void Start() {
        list.StartNextUpload(TransferQueue::Refusal::Short);
        library.calls.clear();
    }
    void Progress(const char* file, const char* account, std::uint16_t percent) {
        library.Deliver(MakeProgress(0, file, account, percent));
    }
    // A download's progress (on the own connection): "sender@name", UTF-8 here.
    void Progress(int, const char* stored, std::uint16_t percent) {
        list.HandleProgress(*MakeProgress(1, Gbk(stored), "0086-10-1", percent).progress());
    }

    TransferQueue& list = transfers;
};

TEST_F(TransferQueueTest, ProgressFollowsTheUploadTheLibraryHasAndCompletionStartsThatFriendsNext) {
    AddUpload("0086-10-2", "李四", "a.txt");
    AddUpload("0086-10-3", "王五", "a.txt");    // same name, other recipient
    AddUpload("0086-10-2", "李四", "a.txt");    // same name, same recipient: waits for the first
    AddDownload("0086-10-2", "李四", "a.txt");  // a download of the same name is never matched
    list.StartNextUpload(TransferQueue::Refusal::Short);
    // Each friend's first upload is handed to the library, under the friend's number and key.
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 127.0.0.1 8800 0086-10-2 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-2 /home/u/a.txt"_qs,
                                          u"ConnectServer 127.0.0.1 8800 0086-10-3 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-3 /home/u/a.txt"_qs}));
    library.calls.clear();

    Progress("a.txt", "0086-10-2", 33);
    EXPECT_EQ(State(0), u"上传:33%"_qs);
    EXPECT_EQ(State(2), u"等待上传"_qs);  // the waiting one of the same name is another file
    // Unknown recipient or name: ignored.
    Progress("b.txt", "0086-10-2", 50);
    Progress("a.txt", "0086-10-9", 50);
    EXPECT_EQ(State(0), u"上传:33%"_qs);
    EXPECT_TRUE(library.calls.isEmpty());

    Progress("a.txt", "0086-10-2", 100);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(notices, QStringList{u"文件：a.txt成功发送给:李四！"_qs});
    EXPECT_EQ(
        LogText(TransferLog::Send),
        u"[2026年03月04日 05:06:07] [发送] 至:0086-10-2         ,李四      .文件:a.txt,\r\n"_qs);
    // That friend's next upload goes on the connection that is open.
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 127.0.0.1 8800 0086-10-2 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-2 /home/u/a.txt"_qs}));
    EXPECT_EQ(list.Table().Row(1).state, TransferState::UploadStarted);
}

TEST_F(TransferQueueTest, ARunningRowShowsItsRateFromTheNoticesAndAFriendWithoutNameByNumber) {
    std::int64_t ms = 0;
    list.SetSteadyClock([&ms] { return ms; });
    AddUpload("0086-21-2", "", "big.bin");
    Start();
    EXPECT_EQ(list.Table().Cell(0, TransferTable::kSentTo), u"0086-21-2"_qs);
    const auto step = [&](std::int64_t at, std::uint16_t percent) {
        ms = at;
        list.HandleProgress(
            *MakeProgress(0, "big.bin", "0086-21-2", percent, 200 << 20).progress());
    };
    step(10000, 0);
    step(10500, 1);
    EXPECT_EQ(State(0), u"上传:1%"_qs);
    EXPECT_TRUE(list.Table().Cell(0, TransferTable::kRate).isEmpty());
    step(12000, 2);  // 4 MiB in two seconds
    EXPECT_EQ(list.Table().Cell(0, TransferTable::kRate), u"2.0 MB/s，剩余 1分38秒"_qs);

    step(13000, 100);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(notices, QStringList{u"文件：big.bin成功发送给:0086-21-2！"_qs});
    EXPECT_TRUE(LogText(TransferLog::Send).contains(u"至:0086-21-2         ,0086-21-2 .文件"_qs));
}

TEST(TransferLogLines, FieldWidthsCountBytesAndLongValuesStayWhole) {
    const QDateTime t(QDate(2026, 12, 31), QTime(23, 59, 58));
    // Five Chinese characters are ten bytes: the name field gets no padding.
    EXPECT_EQ(SendLogLine(t, "0086-10-1234567", Gbk("欧阳大将军"), "x"),
              Gbk("[2026年12月31日 23:59:58] [发送] 至:0086-10-1234567   ,欧阳大将军.文件:x,\r\n"));
    // Longer values are never cut.
    EXPECT_EQ(
        ReceiveLogLine(t, "0086-010-12345678901", Gbk("欧阳大将军甲"), Gbk("文")),
        Gbk("[2026年12月31日 23:59:58] [接收] 自:0086-010-12345678901,欧阳大将军甲 文件:文\r\n"));
}

TEST_F(TransferQueueTest, LogsGrowAndAMissingFolderOrAForeignPathIsSkipped) {
    WriteTransferLog(dir.path(), "0086-10-1", "one\r\n", TransferLog::Send);
    WriteTransferLog(dir.path(), "0086-10-1", "two\r\n", TransferLog::Send);
    EXPECT_EQ(Log(TransferLog::Send), "one\r\ntwo\r\n");
    EXPECT_TRUE(Log(TransferLog::Receive).isEmpty());
    // The user saved the log without a final line break: the next line does not join theirs.
    WriteTransferLog(dir.path(), "0086-10-1", "mine", TransferLog::Receive);
    WriteTransferLog(dir.path(), "0086-10-1", "new\r\n", TransferLog::Receive);
    EXPECT_EQ(Log(TransferLog::Receive), "mine\r\nnew\r\n");

    WriteTransferLog(dir.path(), "../0086", "x", TransferLog::Send);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("0086_SendLog.txt"))));
    QDir(dir.filePath(QStringLiteral("log"))).removeRecursively();
    WriteTransferLog(dir.path(), "0086-10-1", "three", TransferLog::Receive);  // no crash, no file
    EXPECT_FALSE(QFile::exists(TransferLogPath(dir.path(), "0086-10-1", TransferLog::Receive)));
}

TEST_F(TransferQueueTest, StartNextUploadSkipsDownloadsAndDropsEveryRowOfAnUnreachableRecipient) {
    AddDownload("0086-10-5", "赵六", "d.txt");
    AddUpload("0086-10-2", "李四", "1.txt", "10.0.0.2");
    AddUpload("0086-10-3", "王五", "2.txt");
    AddUpload("0086-10-2", "李四", "3.txt", "10.0.0.2");
    library.Script(u"ConnectServer"_qs, {0});

    list.StartNextUpload(TransferQueue::Refusal::Short);
    EXPECT_EQ(notices, QStringList{u"无法连接10.0.0.2:8800，不能向好友:李四发送文件!"_qs});
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 10.0.0.2 8800 0086-10-2 pub"_qs,
                                          u"ConnectServer 127.0.0.1 8800 0086-10-3 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-3 /home/u/2.txt"_qs}));
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(Name(0), u"d.txt"_qs);
    EXPECT_EQ(Name(1), u"2.txt"_qs);
}

TEST_F(TransferQueueTest, FourFriendsAtOnceAndACompletionLetsTheNextFriendIn) {
    for (const char* to : {"0086-10-2", "0086-10-3", "0086-10-4", "0086-10-5", "0086-10-6"})
        AddUpload(to, "友", "1.txt");
    AddUpload("0086-10-2", "友", "2.txt");
    EXPECT_TRUE(list.StartNextUpload(TransferQueue::Refusal::Short));
    EXPECT_EQ(library.calls.filter(u"UploadFile"_qs).size(), TransferQueue::kRecipientsAtOnce);
    EXPECT_EQ(list.Table().Row(4).state, TransferState::WaitingUpload);
    library.calls.clear();

    // A completion whose friend has more waits its turn behind the fifth friend, who comes first
    // in row order; a refused next upload gets the short notice.
    library.Script(u"UploadFile"_qs, {-1});
    Progress("1.txt", "0086-10-2", 100);
    EXPECT_EQ(notices, (QStringList{u"文件：1.txt成功发送给:友！"_qs, u"发送文件失败!"_qs}));
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 127.0.0.1 8800 0086-10-6 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-6 /home/u/1.txt"_qs,
                                          u"DisconnectServer 0086-10-6"_qs,
                                          u"ConnectServer 127.0.0.1 8800 0086-10-2 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-2 /home/u/2.txt"_qs}));
    EXPECT_EQ(list.RowCount(), 4);
}

TEST_F(TransferQueueTest, AFriendUnreachableSilentOrLostIsGivenUpAloneAndTheNextFriendStarts) {
    for (const char* to : {"0086-10-2", "0086-10-3", "0086-10-4", "0086-10-5", "0086-10-6"})
        AddUpload(to, to + 8, "1.txt");  // named after the last digit
    AddUpload("0086-10-3", "3", "2.txt");
    Start();
    ASSERT_EQ(queueTimers.made.size(), 4u);  // one login each, bounded
    for (const FakeTimer* timer : queueTimers.made) {
        EXPECT_TRUE(timer->active);
        EXPECT_EQ(timer->interval, TransferQueue::kLoginAnswerMs);
    }
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-2", "ok"));
    EXPECT_FALSE(queueTimers.made[0]->active);
    // A second answer on a login already answered changes nothing.
    library.Deliver(MakeReply(note::kLogin, 0, "0086-10-2", "no"));
    EXPECT_EQ(list.RowCount(), 6);

    // Silent for 30 s: its rows go, its connection closes, the fifth friend gets its place.
    queueTimers.made[1]->Fire();
    EXPECT_EQ(notices,
              QStringList{u"服务器127.0.0.1:8800在30秒内没有应答，不能向好友:3发送文件!"_qs});
    EXPECT_EQ(library.calls, (QStringList{u"DisconnectServer 0086-10-3"_qs,
                                          u"ConnectServer 127.0.0.1 8800 0086-10-6 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-6 /home/u/1.txt"_qs}));
    EXPECT_EQ(list.RowCount(), 4);

    // The connect fails after it returned; a friend lost after the login.
    notices.clear();
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-4"));
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-2"));
    EXPECT_EQ(notices,
              (QStringList{u"无法连接127.0.0.1:8800，不能向好友:4发送文件!"_qs,
                           u"与服务器127.0.0.1:8800的连接已断开，不能向好友:2发送文件!"_qs}));
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Item(0)->Raw(Field::AccountNumber), "0086-10-5");
    EXPECT_EQ(list.Item(1)->Raw(Field::AccountNumber), "0086-10-6");
    // The timers of the friends given up went with their connections; the two left are silent.
    notices.clear();
    ASSERT_EQ(queueTimers.made.size(), 5u);
    queueTimers.made[3]->Fire();
    queueTimers.made[4]->Fire();
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(TransferQueueTest, AServerNamedByItsHostNameIsLookedUpBeforeTheUploadStarts) {
    AddUpload("0086-10-2", "李四", "1.txt", "files.example.com");
    AddUpload("0086-10-2", "李四", "2.txt", "files.example.com");
    // Under way: counts as that friend's running upload and shows as waiting.
    EXPECT_TRUE(list.StartNextUpload(TransferQueue::Refusal::Short));
    EXPECT_TRUE(library.calls.isEmpty());
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, "files.example.com");
    EXPECT_EQ(list.Table().Row(0).state, TransferState::FindingServer);
    EXPECT_EQ(State(0), u"等待上传"_qs);

    resolver.Answer(0, "10.0.0.9");
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 10.0.0.9 8800 0086-10-2 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-2 /home/u/1.txt"_qs}));
    EXPECT_EQ(list.Table().Row(0).state, TransferState::UploadStarted);
    EXPECT_EQ(list.Table().Row(1).state, TransferState::WaitingUpload);

    // A row that went while its lookup was under way (the user took it, a new login emptied the
    // list) starts nothing when the answer comes; the same file queued again waits for a lookup
    // of its own.
    list.Clear();
    library.calls.clear();
    AddUpload("0086-10-2", "李四", "1.txt", "files.example.com");
    list.StartNextUpload(TransferQueue::Refusal::Short);
    EXPECT_TRUE(list.RemoveWaitingUpload(0));
    resolver.Answer(1, "10.0.0.9");
    AddUpload("0086-10-2", "李四", "1.txt", "files.example.com");
    list.StartNextUpload(TransferQueue::Refusal::Short);
    list.Clear();
    AddUpload("0086-10-2", "李四", "1.txt", "files.example.com");
    resolver.Answer(2, "10.0.0.9");
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_EQ(list.Table().Row(0).state, TransferState::WaitingUpload);
    EXPECT_EQ(list.StartUpload(0, TransferQueue::Refusal::Long),
              TransferQueue::StartResult::Pending);
    resolver.Answer(3, "10.0.0.9");
    EXPECT_EQ(library.calls.size(), 2);
    EXPECT_EQ(list.Table().Row(0).state, TransferState::UploadStarted);
}

TEST_F(TransferQueueTest, ANameNotFoundDropsItsRecipientsRowsAndTheNextUploadStarts) {
    AddUpload("0086-10-2", "李四", "1.txt", "gone.example.com");
    AddUpload("0086-10-3", "王五", "2.txt");
    AddUpload("0086-10-2", "李四", "3.txt", "gone.example.com");
    list.StartNextUpload(TransferQueue::Refusal::Short);
    resolver.Answer(0, {}, u"Host not found"_qs);
    EXPECT_EQ(
        notices,
        QStringList{u"找不到服务器gone.example.com(Host not found)，不能向好友:李四发送文件!"_qs});
    EXPECT_EQ(library.calls, (QStringList{u"ConnectServer 127.0.0.1 8800 0086-10-3 pub"_qs,
                                          u"UploadFile 0086-10-1 0086-10-3 /home/u/2.txt"_qs}));
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Name(0), u"2.txt"_qs);
}

TEST_F(TransferQueueTest, RefusedUploadsAreRemovedWithTheChosenNoticeUntilOneStarts) {
    AddUpload("0086-10-2", "李四", "1.txt");
    AddUpload("0086-10-3", "王五", "2.txt");
    AddUpload("0086-10-4", "赵六", "3.txt");
    library.Script(u"UploadFile"_qs, {-1, 0});
    EXPECT_TRUE(list.StartNextUpload(TransferQueue::Refusal::Long));
    EXPECT_EQ(notices,
              (QStringList{
                  u"发送文件失败:SenderID:0086-10-1,RecvID:0086-10-2,FileName:/home/u/1.txt"_qs,
                  u"发送文件失败:SenderID:0086-10-1,RecvID:0086-10-3,FileName:/home/u/2.txt"_qs}));
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Name(0), u"3.txt"_qs);
    // A friend's connection that carries no upload closes: nothing else would end it.
    EXPECT_FALSE(connections.IsOpen("0086-10-2"));
    EXPECT_FALSE(connections.IsOpen("0086-10-3"));
    EXPECT_TRUE(connections.IsOpen("0086-10-4"));

    // 3.txt is the library's now: it is passed over, not handed over a second time.
    notices.clear();
    library.calls.clear();
    AddUpload("0086-10-5", "钱七", "4.txt");
    AddUpload("0086-10-6", "孙八", "5.txt");
    library.Script(u"UploadFile"_qs, {-1, -1});
    EXPECT_TRUE(list.StartNextUpload(TransferQueue::Refusal::Short));  // 3.txt runs
    EXPECT_EQ(notices, (QStringList{u"发送文件失败!"_qs, u"发送文件失败!"_qs}));
    EXPECT_FALSE(library.calls.join(u'|').contains(u"3.txt"_qs));
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(State(0), u"等待上传"_qs);
    EXPECT_FALSE(connections.IsOpen("0086-10-5"));
    EXPECT_FALSE(connections.IsOpen("0086-10-6"));
}

TEST_F(TransferQueueTest, EveryRowShownWaitingCanBeDeletedAndAStartedOneIsCancelled) {
    AddUpload("0086-10-2", "李四", "1.txt");
    AddUpload("0086-10-2", "李四", "2.txt");
    AddUpload("0086-10-3", "王五", "4.txt");
    AddDownload("0086-10-2", "李四", "3.txt");
    list.StartNextDownload();
    Start();
    Progress("1.txt", "0086-10-2", 5);
    EXPECT_FALSE(list.RemoveWaitingUpload(0));  // running
    EXPECT_FALSE(list.RemoveWaitingUpload(3));  // a download asked of the server
    EXPECT_FALSE(list.RemoveWaitingUpload(7));
    EXPECT_TRUE(list.RemoveWaitingUpload(1));  // waiting: only the row
    EXPECT_TRUE(library.calls.isEmpty());

    // Started, but still shown waiting: cancelled in the library, and the friend's connection,
    // which carried only this file, closes.
    ASSERT_EQ(State(1), u"等待上传"_qs);
    EXPECT_TRUE(list.RemoveWaitingUpload(1));
    EXPECT_EQ(library.calls,
              (QStringList{u"Confirm 0086-10-3 4.txt 0"_qs, u"DisconnectServer 0086-10-3"_qs}));
    EXPECT_FALSE(connections.IsOpen("0086-10-3"));

    // A new login empties the list: the upload still running ends with its friend's connection.
    library.calls.clear();
    list.Clear();
    EXPECT_EQ(list.Table().rowCount(), 0);
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer 0086-10-2"_qs});
    EXPECT_FALSE(connections.IsOpen("0086-10-2"));
}

TEST_F(TransferQueueTest, QueueQuestionsLookAtTypedRowsAndTheViewHearsOnlyChangedText) {
    EXPECT_FALSE(list.HasQueuedDownloads());
    EXPECT_FALSE(list.StartNextUpload(TransferQueue::Refusal::Short));
    AddDownload("0086-10-2", "李四", "a.txt");
    EXPECT_TRUE(list.HasQueuedDownloads());
    AddUpload("0086-10-3", "王五", "b.txt");
    Start();

    int changes = 0;
    QObject::connect(&list.Table(), &QAbstractItemModel::dataChanged, &session,
                     [&changes] { ++changes; });
    list.HandleProgress(*MakeProgress(0, "b.txt", "0086-10-3", 10).progress());
    list.HandleProgress(*MakeProgress(0, "b.txt", "0086-10-3", 10).progress());  // same text
    list.HandleProgress(*MakeProgress(0, "b.txt", "0086-10-3", 11).progress());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(State(1), u"上传:11%"_qs);
    EXPECT_FALSE(list.RemoveWaitingUpload(1));
}

TEST_F(TransferQueueTest, DownloadsGoOneAtATimeAndAnAnswerConcernsOnlyTheOneAskedFor) {
    AddDownload("0086-10-2", "李四", "同名.txt");
    AddDownload("0086-10-3", "王五", "同名.txt");  // another sender, the same name
    AddDownload("0086-10-3", "王五", "c.txt");
    EXPECT_TRUE(list.StartNextDownload());
    EXPECT_TRUE(list.StartNextDownload());  // asked for already: nothing more
    const QByteArray name = Gbk("同名.txt");
    EXPECT_EQ(library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@"_qs +
                                         QString::fromLatin1(name.toPercentEncoding("."))});
    library.calls.clear();
    EXPECT_EQ(State(0), u"等待下载"_qs);
    EXPECT_FALSE(list.RemoveWaitingUpload(0));  // asked of the server
    EXPECT_TRUE(list.RemoveWaitingUpload(2));   // not yet: the user may drop it

    // Progress of the file not asked for changes nothing; the one asked for completes.
    Progress(1, "0086-10-3@同名.txt", 50);
    EXPECT_EQ(State(1), u"等待下载"_qs);
    Progress(1, "0086-10-2@同名.txt", 100);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_TRUE(library.calls.isEmpty());  // the next download waits for the server's answer
    // Its answer, which names only the plain file, leaves the other sender's row alone.
    EXPECT_FALSE(list.AnswerDownload(Gbk("c.txt")));
    EXPECT_TRUE(list.AnswerDownload(Gbk("同名.txt")));
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_FALSE(list.AnswerDownload(Gbk("同名.txt")));  // nothing asked for now
    // The second one fails: its row goes, and only the first wrote a log line.
    list.StartNextDownload();
    EXPECT_TRUE(list.AnswerDownload(Gbk("同名.txt")));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(
        LogText(TransferLog::Receive),
        u"[2026年03月04日 05:06:07] [接收] 自:0086-10-2         ,李四       文件:同名.txt\r\n"_qs);
}

TEST_F(TransferQueueTest, DownloadRowsMatchTheBytesOnTheWire) {
    // "丂" is 0x81 0x40 in GBK: its second byte is '@'.
    const QByteArray sender = "0086-10-2";
    AddDownload("0086-10-2", "李四", "丂@x.txt");
    ASSERT_EQ(Gbk("丂").at(1), '@');
    list.StartNextDownload();
    list.HandleProgress(
        *MakeProgress(1, sender + '@' + Gbk("丂@x.txt"), "0086-10-1", 50).progress());
    EXPECT_EQ(State(0), u"下载:50%"_qs);
    list.HandleProgress(*MakeProgress(1, Gbk("丂@x.txt"), "0086-10-1", 60).progress());
    EXPECT_EQ(State(0), u"下载:50%"_qs);  // "丂" is no sender

    // A name that is not GBK shows replaced, but its progress and its answer still find it.
    const QByteArray broken = "a\xFF\x80.txt";
    for (int i = 0; i < 2; ++i) {
        auto item = Download("0086-10-2", "李四", "");
        item->SetRaw(Field::RemoteName, sender + '@' + broken);
        list.AppendDownload(std::move(item), broken, u"1K"_qs);
    }
    EXPECT_TRUE(Name(1).contains(QChar(0xFFFD)));
    EXPECT_TRUE(list.AnswerDownload(Gbk("丂@x.txt")));  // failed
    list.StartNextDownload();
    list.HandleProgress(*MakeProgress(1, sender + '@' + broken, "0086-10-1", 100).progress());
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_TRUE(Log(TransferLog::Receive).contains(broken));
    EXPECT_TRUE(list.AnswerDownload(broken));
    list.StartNextDownload();
    EXPECT_TRUE(list.AnswerDownload(broken));
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(TransferItemRecord, LayoutAndLocalPathsThatDoNotFitAreRefused) {
    TransferItem item(Direction::Download);
    item.SetServerPort(0x01020304);
    item.SetRaw(Field::AccountKey, "k");
    EXPECT_EQ(item.Bytes()[0], 1);
    EXPECT_EQ(item.Bytes()[33], 0x04);
    EXPECT_EQ(item.Bytes()[36], 0x01);
    EXPECT_EQ(item.Bytes()[133], 'k');
    EXPECT_TRUE(item.SetLocalPath(QStringLiteral("/tmp/文件.txt")));
    EXPECT_EQ(item.LocalPath(), QStringLiteral("/tmp/文件.txt"));
    // UTF-8 on disk: a cut path would name another file.
    EXPECT_FALSE(item.SetLocalPath(QStringLiteral("/") + QString(130, QChar(0x6587))));
    EXPECT_TRUE(item.LocalPath().isEmpty());
}

}  // namespace
}  // namespace tessan
