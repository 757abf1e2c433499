// Uploads end to end: announcement, release, chunks, progress, and the files at the server.
#include <cstring>
#include <filesystem>
#include <thread>

#include "connection.h"
#include "lib_fixture.h"
#include "registry.h"
#include "wire_text.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-3330001";
constexpr char kSender[] = "0086-21-9990009";

std::vector<ReceivedPacket> OfCommand(FakeClient& client, std::uint8_t command) {
    std::vector<ReceivedPacket> out;
    for (auto& p : client.Packets())
        if (p.header.command == command) out.push_back(std::move(p));
    return out;
}

std::vector<std::uint8_t> Answer(const std::string& name, std::uint8_t reason,
                                 const std::string& text = "") {
    std::vector<std::uint8_t> b(263 + text.size() + 1, 0);
    b[0] = 1;
    b[1] = reason;
    PutField(b.data() + 2, TESS_NAME_SIZE, name);
    std::memcpy(b.data() + 263, text.data(), text.size());
    return b;
}

class UploadTest : public LibTest {
  protected:
    // Server side done by hand: announcements are answered by the test.
    std::shared_ptr<FakeClient> Recipient() { return LoginAccepted(kAccount); }

    bool WaitCommand(FakeClient& client, std::uint8_t command, std::size_t n) {
        return host_.RunUntil([&] { return OfCommand(client, command).size() >= n; });
    }
};

TEST_F(UploadTest, OneAndTwoChunkFilesWithTheirHeaderFields) {
    server_.ServeUploads(true, false);
    auto client = Login(kAccount);
    const auto one = Pattern(7848, 1);
    const auto two = Pattern(7849, 2);
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("one.bin", one).c_str()), 1);
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("two.bin", two).c_str()), 1);
    client->Send(CMD_LOGIN_RESULT, {1, 0});
    // Both reason-4 answers; the last of them leaves the queue empty and type 33 follows it.
    ASSERT_TRUE(host_.RunUntil([&] {
        return host_.CountType(TESS_NOTE_UPLOAD_ANSWER) == 2 &&
               host_.notes().back().type == TESS_NOTE_QUEUE_EMPTY;
    }));
    const auto uploads = server_.Uploads();
    EXPECT_EQ(uploads.at("one.bin").bytes, one);
    EXPECT_EQ(uploads.at("two.bin").bytes, two);

    const auto announces = OfCommand(*client, CMD_ANNOUNCE);
    ASSERT_EQ(announces.size(), 2u);
    std::vector<std::uint8_t> expected(TESS_ANNOUNCE_SIZE, 0);
    PutField(expected.data(), TESS_NAME_SIZE, "one.bin");
    PutU32(expected.data() + TESS_ANNOUNCE_OFF_FILE_SIZE, 7848);
    PutField(expected.data() + TESS_ANNOUNCE_OFF_SENDER, 32, kSender);
    EXPECT_EQ(announces[0].payload, expected);

    const auto chunks = OfCommand(*client, CMD_CHUNK);
    ASSERT_EQ(chunks.size(), 3u);
    struct Expect {
        std::uint32_t count, number, offset, length;
    };
    const Expect want[] = {{1, 1, 0, 7848}, {2, 1, 0, 7848}, {2, 2, 7848, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& c = chunks[i];
        EXPECT_EQ(c.header.pieceCount, want[i].count);
        EXPECT_EQ(c.header.pieceNumber, want[i].number + 1);  // one above the chunk's own number
        EXPECT_EQ(c.header.fixedOne, 1u);
        EXPECT_LE(c.body.size(), kMaxBodyLength);
        const std::uint8_t* b = c.payload.data();
        EXPECT_EQ(c.payload.size(), TESS_CHUNK_HEAD_SIZE + want[i].length);
        EXPECT_EQ(FieldText(b + TESS_CHUNK_OFF_SENDER, 32), kSender);
        EXPECT_EQ(GetU32(b + TESS_CHUNK_OFF_FILE_SIZE), i == 0 ? 7848u : 7849u);
        EXPECT_EQ(GetU32(b + TESS_CHUNK_OFF_CHUNK_COUNT), want[i].count);
        EXPECT_EQ(GetU32(b + TESS_CHUNK_OFF_CHUNK_NUMBER), want[i].number);
        EXPECT_EQ(GetU32(b + TESS_CHUNK_OFF_FILE_OFFSET), want[i].offset);
        EXPECT_EQ(GetU32(b + TESS_CHUNK_OFF_CHUNK_LENGTH), want[i].length);
    }

    const auto progress = host_.NotesOfType(TESS_NOTE_PROGRESS);
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0].record[TESS_PROGRESS_OFF_DIRECTION], 0);
    EXPECT_EQ(progress[0].ProgressName(), "one.bin");
    EXPECT_EQ(progress[0].PercentText(), "100%");
    EXPECT_EQ(progress[1].PercentText(), "50%");
    EXPECT_EQ(progress[1].Percent(), 50);
    EXPECT_EQ(progress[2].Percent(), 100);
    EXPECT_EQ(progress[2].ProgressFileSize(), 7849u);

    const auto& notes = host_.notes();
    EXPECT_EQ(notes[notes.size() - 2].type, TESS_NOTE_UPLOAD_ANSWER);
    EXPECT_EQ(notes[notes.size() - 2].Data()[0], 4);
    EXPECT_EQ(notes.back().Account(), kAccount);
}

TEST_F(UploadTest, NothingIsAnnouncedBeforeTheLoginIsAccepted) {
    auto client = Login(kAccount);
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("a.txt", Bytes("aaa")).c_str()), 1);
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("b.txt", Bytes("bbb")).c_str()), 1);
    client->Send(CMD_LOGIN_RESULT, {0, 0});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LOGIN));
    // A refused login never lets the queue start; a later acceptance does.
    client->Send(CMD_LIST_SUMMARY, {1, 0});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY));
    EXPECT_TRUE(OfCommand(*client, CMD_ANNOUNCE).empty());

    client->Send(CMD_LOGIN_RESULT, {1, 0});
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 2));
    const auto announces = OfCommand(*client, CMD_ANNOUNCE);
    EXPECT_EQ(FieldText(announces[0].payload.data(), 260), "a.txt");
    EXPECT_EQ(FieldText(announces[1].payload.data(), 260), "b.txt");

    // Whichever is released first is sent first.
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("B.TXT", 0));  // names match without letter case
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 1));
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("a.txt", 0));
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 2));
    const auto chunks = OfCommand(*client, CMD_CHUNK);
    EXPECT_EQ(FieldText(chunks[0].payload.data(), 260), "b.txt");
    EXPECT_EQ(FieldText(chunks[1].payload.data(), 260), "a.txt");
    // A reason-0 answer is not reported to the host.
    EXPECT_EQ(host_.CountType(TESS_NOTE_UPLOAD_ANSWER), 0u);
}

TEST_F(UploadTest, RequeueResetsAWaitingFileAndRefusesOneBeingSent) {
    auto client = Recipient();
    const auto path = WriteFile("doc.txt", Bytes("version one"));
    ASSERT_EQ(UploadFile(kSender, kAccount, path.c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 1));
    // Waiting for its answer: queued again, it is announced again.
    WriteFile("doc.txt", Bytes("version two!"));
    ASSERT_EQ(UploadFile(kSender, kAccount, path.c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 2));
    EXPECT_EQ(GetU32(OfCommand(*client, CMD_ANNOUNCE)[1].payload.data() + 260), 12u);

    // While its chunk's progress is being reported, the file is being sent.
    int requeue = 0;
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_PROGRESS) requeue = UploadFile(kSender, kAccount, path.c_str());
    };
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("doc.txt", 0));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS));
    EXPECT_EQ(requeue, -1);
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 1));
    EXPECT_EQ(OfCommand(*client, CMD_CHUNK)[0].payload.size(), TESS_CHUNK_HEAD_SIZE + 12);

    // Empty, missing and directory paths are refused.
    EXPECT_EQ(UploadFile(kSender, kAccount, WriteFile("empty.txt", {}).c_str()), -1);
    EXPECT_EQ(UploadFile(kSender, kAccount, (root_ / "missing.txt").c_str()), -1);
    EXPECT_EQ(UploadFile(kSender, kAccount, root_.c_str()), -1);
}

TEST_F(UploadTest, ExistingFileAsksTheHostThroughConfirm) {
    auto client = Recipient();
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("keep.txt", Bytes("keep")).c_str()), 1);
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("drop.txt", Bytes("drop")).c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 2));
    host_.on_note = [&](const Note& note) {
        if (note.type != TESS_NOTE_UPLOAD_ANSWER || note.Data()[0] != 3) return;
        const std::string name = note.DataText(1);
        EXPECT_EQ(Confirm(kAccount, name.c_str(), name == "keep.txt"), 1);
    };
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("drop.txt", 3, "exists"));
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("keep.txt", 3, "exists"));
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 1));
    const auto answers = host_.NotesOfType(TESS_NOTE_UPLOAD_ANSWER);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].Kind(), 1);
    EXPECT_EQ(answers[0].DataText(262), "exists");
    EXPECT_EQ(answers[0].DataLength(), 1024);
    EXPECT_EQ(Confirm(kAccount, "drop.txt", 1), -1);  // removed at once
    EXPECT_EQ(Confirm(kAccount, "nothing.txt", 1), -1);

    // Reason 4 for the one file that was sent leaves the queue empty: type 33 follows type 9.
    ASSERT_TRUE(host_.RunUntil([&] { return host_.CountType(TESS_NOTE_PROGRESS) == 1; }));
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("keep.txt", 4, "received"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
    EXPECT_EQ(host_.notes().back().type, TESS_NOTE_QUEUE_EMPTY);
    EXPECT_EQ(OfCommand(*client, CMD_CHUNK).size(), 1u);
}

TEST_F(UploadTest, QueueEmptyIsCheckedAfterTheHostHandledTheAnswer) {
    auto client = Recipient();
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("x.txt", Bytes("x")).c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 1));
    // The host cancels the last waiting file while handling a reason-4 answer for another.
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_UPLOAD_ANSWER) Confirm(kAccount, "x.txt", 0);
    };
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("earlier.txt", 4, "received"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
    // A refusal with another reason never reports type 33.
    host_.on_note = nullptr;
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("y.txt", Bytes("y")).c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 2));
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("y.txt", 5, "quota"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_UPLOAD_ANSWER, 2));
    client->Send(CMD_LIST_SUMMARY, {1, 0});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY));
    EXPECT_EQ(host_.CountType(TESS_NOTE_QUEUE_EMPTY), 1u);
}

TEST_F(UploadTest, QueueEmptyIsNotHeardOnceTheHostQueuedAnotherFile) {
    auto client = Recipient();
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("earlier.txt", 4, "received"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_UPLOAD_ANSWER));
    // The reader found the queue empty and waits for the host to take type 33; before its turn
    // the host queues another file for this recipient.
    ASSERT_TRUE(SenderWaitsForTheHost());
    ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile("z.txt", Bytes("z")).c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 1));
    EXPECT_EQ(host_.CountType(TESS_NOTE_QUEUE_EMPTY), 0u);
    // That file's own completion empties the queue for real.
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("z.txt", 0));
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 1));
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("z.txt", 4, "received"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
    EXPECT_EQ(host_.CountType(TESS_NOTE_QUEUE_EMPTY), 1u);
}

// Where the upload answer for `name` the library made itself stands in the host's notes; checks
// its fields on the way.
std::size_t GivenUpAnswer(const std::vector<Note>& notes, const std::string& name) {
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& n = notes[i];
        if (n.type != TESS_NOTE_UPLOAD_ANSWER || n.DataText(1) != name) continue;
        EXPECT_EQ(n.Kind(), 1);
        EXPECT_EQ(n.Status(), 0);
        EXPECT_EQ(n.Account(), kAccount);
        EXPECT_EQ(n.DataLength(), 1024);
        // Neither go, exists nor received: the host takes it as refused.
        EXPECT_EQ(n.Data()[TESS_UPLOAD_ANSWER_OFF_REASON], 5);
        EXPECT_EQ(n.DataText(TESS_UPLOAD_ANSWER_OFF_TEXT),
                  *Utf8ToGbk("文件:" + name + "上传失败!"));
        return i;
    }
    ADD_FAILURE() << "no answer for " << name;
    return notes.size();
}

TEST_F(UploadTest, AFileTheLibraryGivesUpIsAnsweredAsRefused) {
    auto client = Recipient();
    // Gone before its turn: refused without any progress. The host queues it again from inside
    // the answer, so the file is out of the queue by then, and the queue is not empty for type 33.
    const auto path = WriteFile("gone.txt", Bytes("soon gone"));
    ASSERT_EQ(UploadFile(kSender, kAccount, path.c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 1));
    std::filesystem::remove(path);
    int requeued = 0;
    host_.on_note = [&](const Note& note) {
        if (note.type != TESS_NOTE_UPLOAD_ANSWER) return;
        WriteFile("gone.txt", Bytes("back again"));
        requeued = UploadFile(kSender, kAccount, path.c_str());
    };
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("gone.txt", 0));
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 2));
    host_.on_note = nullptr;
    EXPECT_EQ(requeued, 1);
    EXPECT_EQ(GivenUpAnswer(host_.notes(), "gone.txt"), host_.notes().size() - 1);
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("gone.txt", 0));
    ASSERT_TRUE(WaitCommand(*client, CMD_CHUNK, 1));
    EXPECT_EQ(host_.CountType(TESS_NOTE_QUEUE_EMPTY), 0u);

    // Cut short while it is being sent: refused after its last progress, which is short of 100%;
    // the queue is then empty.
    const auto content = Pattern(4 * TESS_CHUNK_DATA_MAX, 4);
    const auto shrinking = WriteFile("short.bin", content);
    ASSERT_EQ(UploadFile(kSender, kAccount, shrinking.c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 3));
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_PROGRESS && note.ProgressName() == "short.bin")
            std::filesystem::resize_file(shrinking, 0);
    };
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("short.bin", 0));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
    const auto& notes = host_.notes();
    const std::size_t answer = GivenUpAnswer(notes, "short.bin");
    ASSERT_EQ(answer, notes.size() - 2);
    std::size_t heard = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].type != TESS_NOTE_PROGRESS || notes[i].ProgressName() != "short.bin") continue;
        ++heard;
        EXPECT_LT(i, answer);
        EXPECT_LT(notes[i].Percent(), 100);
    }
    EXPECT_GE(heard, 1u);
    EXPECT_LT(OfCommand(*client, CMD_CHUNK).size(), 1u + 4u);
}

TEST_F(UploadTest, FilesArriveByteIdentical) {
    // Over a thousand chunks: more than one per percent, so most are sent between notices.
    constexpr std::size_t kLarge = 8u << 20;
    server_.ServeUploads();
    Login(kAccount);
    host_.set_record_progress(false);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    for (std::size_t size : {std::size_t{1}, std::size_t{7847}, std::size_t{3 * 7848 + 5}})
        files.emplace_back("random-" + std::to_string(size), Pattern(size, 7));
    // Text-like content compresses; random content goes raw.
    std::string text;
    while (text.size() < (1u << 20))
        text += "line " + std::to_string(text.size() % 977) + " of text\r\n";
    files.emplace_back("text.log", Bytes(text));
    files.emplace_back("large.bin", Pattern(kLarge, 3));
    files.emplace_back("报告.txt", Bytes("中文内容"));
    for (const auto& [name, bytes] : files)
        ASSERT_EQ(UploadFile(kSender, kAccount, WriteFile(name, bytes).c_str()), 1) << name;
    for (const auto& [name, bytes] : files) {
        const std::string wire = *Utf8ToGbk(name);
        ASSERT_TRUE(
            host_.RunUntil([&] { return server_.UploadComplete(wire); }, std::chrono::seconds(120)))
            << name;
        const auto uploads = server_.Uploads();
        EXPECT_TRUE(uploads.at(wire).bytes == bytes) << name;
    }
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
}

TEST_F(UploadTest, DisconnectDuringATransferStopsIt) {
    auto client = Recipient();
    constexpr std::uint32_t kChunks = 1000;
    const auto path = WriteFile("big.bin", Pattern(kChunks * TESS_CHUNK_DATA_MAX, 5));
    ASSERT_EQ(UploadFile(kSender, kAccount, path.c_str()), 1);
    ASSERT_TRUE(WaitCommand(*client, CMD_ANNOUNCE, 1));
    const std::weak_ptr<Connection> connection = Registry().FindByAccount(kAccount);
    client->Send(CMD_ANNOUNCE_ANSWER, Answer("big.bin", 0));
    // From here the host runs nothing until the disconnect returned: the sender is reading or
    // sending chunks, or waits for the host with its next progress.
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 3));
    EXPECT_EQ(DisconnectServer(kAccount), 1);
    const std::size_t heard = host_.CountType(TESS_NOTE_PROGRESS);
    // Its waits ended at the stop: it let go of the connection, and the file stayed unfinished.
    EXPECT_TRUE(Eventually([&] { return connection.expired(); }));
    EXPECT_TRUE(client->WaitClosedByPeer());
    EXPECT_LT(OfCommand(*client, CMD_CHUNK).size(), kChunks);
    // A progress it had posted is never heard once the disconnect returned.
    auto other = Login("0086-10-3330002");
    Sync(host_, *other);
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), heard);
    EXPECT_EQ(UploadFile(kSender, kAccount, path.c_str()), -1);
}

}  // namespace
}  // namespace tessnet::testing
