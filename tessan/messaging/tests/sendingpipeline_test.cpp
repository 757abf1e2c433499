// The sending pipeline and the transfer queue that owns the friends' connections: what a send
// queues, and what the friends' servers answer on those connections.
#include "messaging/sendingpipeline.h"

#include "core/base/gbk.h"
#include "testsupport/clientparts.h"

#include <QFile>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using Field = TransferItem::Field;
using Direction = TransferItem::Direction;
using OutgoingFile = SendingPipeline::OutgoingFile;

const Recipient kLi{"0086-10-7654321", "\xC0\xEE\xCB\xC4", "li-pub"};      // 李四
const Recipient kWang{"0086-21-5555555", "\xCD\xF5\xCE\xE5", "wang-pub"};  // 王五

class SendingPipelineTest : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override { LogIn("0086-10-1234567"); }

    QString File(const char* name, QByteArray content = "data") {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    OutgoingFile Out(const char* name, QByteArray content = "data") {
        return {File(name, content), QString::fromUtf8(name)};
    }
    // "<recipient number> <column 0> <state>" per row.
    QStringList Rows() {
        QStringList rows;
        TransferQueue& q = transfers;
        for (int r = 0; r < q.RowCount(); ++r)
            rows << QString::fromLatin1(q.Item(r)->Raw(Field::AccountNumber)) + QLatin1Char(' ') +
                        q.Table().Cell(r, TransferTable::kName);
        return rows;
    }
    QStringList Lines(std::initializer_list<const char*> lines) const {
        QStringList list;
        for (const char* line : lines) list << QString::fromUtf8(line);
        return list;
    }
    // What the fake library saw, starting from `from`.
    QStringList CallsFrom(int from) const { return library.calls.mid(from); }
    void Deliver(const Notification& n) { library.Deliver(n); }
    static QByteArray Answer(std::uint8_t reason, const QByteArray& name, const QByteArray& text) {
        QByteArray data(1024, '\0');
        data[0] = static_cast<char>(reason);
        data.replace(1, name.size(), name);
        data.replace(262, text.size(), text);
        return data;
    }
    void Complete(const Recipient& to, const char* name) {
        Deliver(MakeProgress(0, QStringToGbk(QString::fromUtf8(name)), to.number, 100));
    }

    SendingPipeline pipeline{session, transfers};
};

TEST_F(SendingPipelineTest, FanOutQueuesFriendByFriendAndStartsEachFriendsFirst) {
    const std::vector<OutgoingFile> files = {Out("a.txt"), Out("b.txt"), Out("照片.jpg")};
    pipeline.FanOut({kLi, kWang}, files);
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 a.txt", "0086-10-7654321 b.txt",
                             "0086-10-7654321 照片.jpg", "0086-21-5555555 a.txt",
                             "0086-21-5555555 b.txt", "0086-21-5555555 照片.jpg"}));
    ASSERT_EQ(library.calls.size(), 4);
    EXPECT_TRUE(library.calls[0].startsWith(QStringLiteral("ConnectServer")));
    EXPECT_TRUE(library.calls[0].contains(QStringLiteral("0086-10-7654321")));
    EXPECT_TRUE(library.calls[1].contains(files[0].localPath));
    EXPECT_TRUE(library.calls[2].contains(QStringLiteral("0086-21-5555555")));
    const TransferItem& first = *transfers.Item(0);
    EXPECT_EQ(first.Raw(Field::AccountKey), "li-pub");
    EXPECT_EQ(first.Raw(Field::PeerName), kLi.name);
    EXPECT_EQ(first.Raw(Field::ServerAddress), "127.0.0.1");
    EXPECT_EQ(first.ServerPort(), 8800);
    EXPECT_EQ(transfers.Table().Cell(3, TransferTable::kSize), QStringLiteral("4"));

    // A press for friends whose uploads run only adds rows.
    const int before = library.calls.size();
    pipeline.FanOutFile({kWang}, files[1].localPath, files[1].remoteName);
    EXPECT_EQ(Rows().size(), 7);
    EXPECT_TRUE(CallsFrom(before).isEmpty());
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(SendingPipelineTest, BadFilesAndRecipientsAreReportedAndSkipped) {
    const OutgoingFile empty = Out("empty.txt", QByteArray());
    const OutgoingFile missing{dir.filePath(QStringLiteral("gone.txt")),
                               QStringLiteral("gone.txt")};
    const Recipient noServer{"12345", "x", "k"};
    pipeline.FanOut({kLi, noServer, kWang}, {empty, missing, Out("ok.txt")});
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 ok.txt", "0086-21-5555555 ok.txt"}));
    const QString zero = QStringLiteral("无法上传文件:%1，文件长度为零!").arg(empty.localPath);
    const QString absent =
        QStringLiteral("无法上传文件:%1，请确定是否存在!").arg(missing.localPath);
    EXPECT_EQ(notices,
              QStringList({zero, absent, QStringLiteral("无法解析用户：12345所在的服务器信息!"),
                           zero, absent}));
}

TEST_F(SendingPipelineTest, UnreachableRecipientLosesEveryQueuedRowAndTheOthersGoOn) {
    pipeline.FanOut({kLi}, {Out("1.txt"), Out("2.txt")});
    pipeline.FanOut({kLi, kWang}, {Out("3.txt")});
    ASSERT_EQ(Rows().size(), 4);
    const int before = library.calls.size();
    library.Script(QStringLiteral("ConnectServer"), {0});
    Complete(kLi, "1.txt");
    EXPECT_EQ(Rows(), Lines({"0086-21-5555555 3.txt"}));
    ASSERT_EQ(notices.size(), 2);
    EXPECT_EQ(notices[1], QStringLiteral("无法连接127.0.0.1:8800，不能向好友:李四发送文件!"));
    EXPECT_EQ(CallsFrom(before).size(), 1);  // Li refused; Wang's upload runs on
}

TEST_F(SendingPipelineTest, WrongPublicKeyDropsThatFriendAndStartsTheNext) {
    pipeline.FanOut({kLi, kWang}, {Out("a.txt"), Out("b.txt")});
    const int before = library.calls.size();
    Deliver(MakeReply(1, 0, kLi.number, "bad key"));
    const QString text = QStringLiteral("不能向你的好友:0086-10-7654321发送文件，公钥不正确!");
    EXPECT_EQ(notices, QStringList{text});
    EXPECT_EQ(Rows(), Lines({"0086-21-5555555 a.txt", "0086-21-5555555 b.txt"}));
    EXPECT_EQ(CallsFrom(before), QStringList{QStringLiteral("DisconnectServer 0086-10-7654321")});
    EXPECT_TRUE(boxes.Shown().empty());  // Wang's upload runs on

    // Nothing left to start: the user is told in a box as well.
    Deliver(MakeReply(1, 0, kWang.number, ""));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(boxes.Texts(),
              QStringList{QStringLiteral("不能向你的好友:0086-21-5555555发送文件，公钥不正确!")});

    // Accepted logins, and refusals on connections without our uploads, change nothing.
    const int after = library.calls.size();
    Deliver(MakeReply(1, 1, kLi.number, ""));
    Deliver(MakeReply(1, 0, "0086-99-1111111", ""));
    EXPECT_EQ(library.calls.size(), after);
    EXPECT_EQ(notices.size(), 2);
}

TEST_F(SendingPipelineTest, OverwriteQuestionConfirmsOrCancels) {
    pipeline.FanOut({kLi}, {Out("a.txt"), Out("b.txt")});
    boxes.Script({MessageBoxes::Answer::Yes, MessageBoxes::Answer::No});
    // Only about a file announced on that connection: b.txt waits, Wang's file is not Li's, a
    // name from nowhere is no question, and the own login never sent a.txt.
    pipeline.FanOut({kWang}, {Out("w.txt")});
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "b.txt", "")));
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "w.txt", "")));
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "../../etc/passwd", "")));
    Deliver(MakeReply(9, 1, "0086-10-1234567", Answer(3, "a.txt", "")));
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "a.txt", "文件已经存在!")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("文件:a.txt已经存在，是否覆盖？"));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("上传确认"));
    EXPECT_EQ(boxes.Shown()[0].icon, MessageBoxes::Icon::Question);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_TRUE(library.calls.last().startsWith(QStringLiteral("Confirm")));
    EXPECT_TRUE(library.calls.last().endsWith(QStringLiteral("1")));
    EXPECT_EQ(Rows().size(), 3);
    // Asked once per file.
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "a.txt", "")));
    EXPECT_EQ(boxes.Shown().size(), 1u);

    Complete(kLi, "a.txt");
    const int before = library.calls.size();
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "b.txt", "")));
    EXPECT_EQ(CallsFrom(before), QStringList{QStringLiteral("Confirm 0086-10-7654321 b.txt 0")});
    EXPECT_EQ(Rows(), Lines({"0086-21-5555555 w.txt"}));
}

TEST_F(SendingPipelineTest, TwoFriendsServersAskingAboutTheSameNameAreEachAnswered) {
    pipeline.FanOut({kLi, kWang}, {Out("a.txt")});
    boxes.Script({MessageBoxes::Answer::Yes, MessageBoxes::Answer::No});
    // Wang's server asks while Li's question is on screen.
    boxes.whileOpen = [this] { Deliver(MakeReply(9, 1, kWang.number, Answer(3, "a.txt", ""))); };
    const int before = library.calls.size();
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "a.txt", "")));
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(CallsFrom(before), (QStringList{u"Confirm 0086-10-7654321 a.txt 1"_qs,
                                              u"Confirm 0086-21-5555555 a.txt 0"_qs}));
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 a.txt"}));
}

TEST_F(SendingPipelineTest, AnAnswerAfterItsUploadWentLeavesAnotherOfTheSameName) {
    pipeline.FanOut({kLi}, {Out("a.txt")});
    boxes.Script({MessageBoxes::Answer::Yes});
    // While the question is open, the user deletes that upload and sends the file again.
    boxes.whileOpen = [this] {
        EXPECT_TRUE(transfers.RemoveWaitingUpload(0));
        pipeline.FanOut({kLi}, {Out("a.txt")});
    };
    Deliver(MakeReply(9, 1, kLi.number, Answer(3, "a.txt", "")));
    EXPECT_FALSE(library.calls.contains(u"Confirm 0086-10-7654321 a.txt 1"_qs));
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 a.txt"}));
    EXPECT_EQ(transfers.Table().Row(0).state, TransferState::UploadStarted);
}

TEST_F(SendingPipelineTest, RefusedUploadGoesAndTheQueueMovesOn) {
    pipeline.FanOut({kLi}, {Out("a.txt"), Out("b.txt")});
    const QByteArray full =
        QStringToGbk(QStringLiteral("对方的Tessan空间已满，不能上传文件:a.txt"));
    Deliver(MakeReply(9, 0, kLi.number, Answer(1, "a.txt", full)));
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 b.txt"}));
    EXPECT_EQ(notices, QStringList{GbkToQString(full)});
    EXPECT_TRUE(library.calls.last().startsWith(QStringLiteral("UploadFile")) &&
                library.calls.last().contains(QStringLiteral("b.txt")));

    // The row completes with its last progress; the server's word that the file arrived whole,
    // which follows, only shows its text, once.
    const int before = library.calls.size();
    Deliver(MakeReply(9, 1, kLi.number, Answer(4, "b.txt", "early")));
    Complete(kLi, "b.txt");
    EXPECT_TRUE(Rows().isEmpty());
    Deliver(MakeReply(9, 1, kLi.number, Answer(4, "b.txt", "ok b.txt")));
    Deliver(MakeReply(9, 1, kLi.number, Answer(4, "b.txt", "again")));
    EXPECT_EQ(notices.mid(1), (QStringList{QStringLiteral("文件：b.txt成功发送给:李四！"),
                                           QStringLiteral("ok b.txt")}));
    EXPECT_EQ(CallsFrom(before).size(), 0);

    // A refusal of a file not queued there changes nothing.
    pipeline.FanOut({kLi}, {Out("c.txt")});
    Deliver(MakeReply(9, 0, kLi.number, Answer(1, "a.txt", full)));
    EXPECT_EQ(Rows(), Lines({"0086-10-7654321 c.txt"}));
}

TEST_F(SendingPipelineTest, EmptyQueueClosesOnlyARecipientsConnection) {
    auto queueEmpty = [](const QByteArray& account, std::uint16_t word) {
        Notification n;
        n.type = 33;
        n.body = QueueEmpty{account, word};
        return n;
    };
    pipeline.FanOut({kLi}, {Out("a.txt")});
    library.calls.clear();
    Deliver(queueEmpty("0086-10-1234567", 0));
    Deliver(queueEmpty(kLi.number, 1));
    EXPECT_TRUE(library.calls.isEmpty());
    Deliver(queueEmpty(kLi.number, 0));
    EXPECT_EQ(library.calls, QStringList{QStringLiteral("DisconnectServer 0086-10-7654321")});
}

TEST_F(SendingPipelineTest, SendImmediatelyStartsItsRowWhateverIsQueued) {
    pipeline.FanOut({kLi}, {Out("a.txt"), Out("b.txt")});
    const int before = library.calls.size();
    const OutgoingFile note = Out("周报.txt");
    EXPECT_TRUE(pipeline.Immediately()(kWang, note.localPath, note.remoteName));
    EXPECT_EQ(CallsFrom(before).size(), 2);
    EXPECT_EQ(Rows().last(), QStringLiteral("0086-21-5555555 周报.txt"));

    // Refused by the library: the row goes with the long notice, but the friend was reached.
    library.Script(QStringLiteral("UploadFile"), {-1});
    EXPECT_TRUE(pipeline.SendImmediately(kWang, note.localPath, note.remoteName));
    EXPECT_EQ(Rows().size(), 3);
    EXPECT_EQ(notices.last(), QStringLiteral("发送文件失败:SenderID:0086-10-1234567,RecvID:"
                                             "0086-21-5555555,FileName:%1")
                                  .arg(note.localPath));

    // Unreachable: every queued row to that friend goes, and the dialog stays open.
    library.Script(QStringLiteral("ConnectServer"), {0});
    EXPECT_FALSE(pipeline.SendImmediately(kLi, note.localPath, note.remoteName));
    EXPECT_EQ(Rows(), Lines({"0086-21-5555555 周报.txt"}));
    EXPECT_FALSE(pipeline.SendImmediately(kLi, dir.filePath(QStringLiteral("none")), QString()));
    EXPECT_FALSE(pipeline.SendImmediately({"nodash", "", ""}, note.localPath, note.remoteName));
}

TEST_F(SendingPipelineTest, AFriendsServerNamedByALongHostNameIsLookedUpWhole) {
    // Longer than the 31 bytes the transfer record holds.
    const QByteArray longName = "files.beijing.tessan-exchange.example.com";
    QFile list(dir.filePath(QStringLiteral("serverlist.ini")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[0086-10]\nserver=" + longName + "\nport=9100\n");
    list.close();
    const OutgoingFile note = Out("note.txt");
    // Sent at once: the dialog may close; the upload starts when the name is found.
    EXPECT_TRUE(pipeline.SendImmediately(kLi, note.localPath, note.remoteName));
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_TRUE(library.calls.isEmpty());
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, longName);
    resolver.Answer(0, "10.0.0.9");
    ASSERT_EQ(library.calls.size(), 2);
    EXPECT_EQ(library.calls[0],
              QStringLiteral("ConnectServer 10.0.0.9 9100 0086-10-7654321 li-pub"));

    // Not found: the notice names the whole name and the friend's rows go.
    pipeline.FanOut({kLi}, {Out("a.txt")});
    transfers.Clear();
    pipeline.FanOut({kLi}, {Out("b.txt")});
    ASSERT_EQ(resolver.requests.size(), 2u);
    resolver.Answer(1, {}, QStringLiteral("Host not found"));
    EXPECT_EQ(notices, QStringList{QStringLiteral("找不到服务器") + QString::fromLatin1(longName) +
                                   QStringLiteral("(Host not found)，不能向好友:李四发送文件!")});
    EXPECT_TRUE(Rows().isEmpty());
}

}  // namespace
}  // namespace tessan
