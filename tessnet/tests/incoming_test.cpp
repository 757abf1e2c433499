// Replies from the server as the host sees them, and files the server sends.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "lib_fixture.h"
#include "log.h"
#include "wire_text.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-4440001";

std::vector<std::uint8_t> Payload(std::initializer_list<std::uint8_t> head, std::string_view text,
                                  std::size_t at) {
    std::vector<std::uint8_t> p(std::max(at + text.size() + 1, head.size()), 0);
    std::copy(head.begin(), head.end(), p.begin());
    std::memcpy(p.data() + at, text.data(), text.size());
    return p;
}

TEST_F(LibTest, TextRepliesCarryStatusAndText) {
    auto client = Login(kAccount);
    for (std::uint8_t command :
         {CMD_LOGIN_RESULT, CMD_REGISTER_RESULT, CMD_LIST_SUMMARY, CMD_DELETE_RESULT}) {
        client->Send(command, Payload({0}, "reply text", 1));
        ASSERT_TRUE(host_.WaitForType(command));
        const auto note = host_.NotesOfType(command).back();
        EXPECT_EQ(note.message, kMessage);
        EXPECT_EQ(note.Kind(), 0);
        EXPECT_EQ(note.Status(), 0);
        EXPECT_EQ(note.Account(), kAccount);
        EXPECT_EQ(note.DataText(0), "reply text");
        EXPECT_EQ(note.DataLength(), 10);
    }
    // An empty body reads as status 0 and no text.
    client->Send(CMD_DELETE_RESULT, {});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DELETE, 2));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DELETE).back().DataLength(), 0);
}

TEST_F(LibTest, FixedRepliesCopyTheThousandBytesAfterTheStatus) {
    auto client = Login(kAccount);
    struct Case {
        std::uint8_t command, kind;
        bool lengthIsPayload;
    };
    for (const Case c :
         {Case{CMD_DOWNLOAD_ANSWER, 1, false}, Case{CMD_ADD_FRIEND_RESULT, 1, false},
          Case{CMD_DEL_FRIEND_RESULT, 1, true}, Case{CMD_MODIFY_FRIEND_RESULT, 1, true},
          Case{CMD_MODIFY_USER_RESULT, 0, true}}) {
        SCOPED_TRACE(int(c.command));
        // 1100 bytes: status, 1024 data bytes, and 75 that must not be copied.
        std::vector<std::uint8_t> payload(1100, 0);
        payload[0] = 1;
        PutField(payload.data() + 1, 32, "0086-20-1");
        PutField(payload.data() + 65, 100, "message text");
        std::fill(payload.begin() + 1024, payload.end(), 0xEE);
        client->Send(c.command, payload);
        ASSERT_TRUE(host_.WaitForType(c.command));
        const auto note = host_.NotesOfType(c.command).back();
        EXPECT_EQ(note.Kind(), c.kind);
        EXPECT_EQ(note.Status(), 1);
        EXPECT_EQ(note.DataText(0), "0086-20-1");
        EXPECT_EQ(note.DataText(64), "message text");
        EXPECT_EQ(note.Data()[1023], 0xEE);
        EXPECT_EQ(note.Data()[1024], 0);
        EXPECT_EQ(note.DataLength(), c.lengthIsPayload ? 1100 : 1024);
    }
    // Bytes a short reply lacks read as zero.
    client->Send(CMD_DOWNLOAD_ANSWER, {1, 'a'});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER, 2));
    const auto shortNote = host_.NotesOfType(TESS_NOTE_DOWNLOAD_ANSWER).back();
    EXPECT_EQ(shortNote.DataText(0), "a");
    EXPECT_EQ(shortNote.DataText(260), "");
}

TEST_F(LibTest, WholePayloadRepliesAreCutToTheRecord) {
    auto client = Login(kAccount);
    struct Case {
        std::uint8_t command, kind;
    };
    for (const Case c :
         {Case{CMD_ADDRESS_BOOK, 1}, Case{CMD_SERVER_DATA, 1}, Case{CMD_FILE_ENTRIES, 1},
          Case{CMD_OWN_PROFILE, 1}, Case{CMD_NOTICE, 39}}) {
        const auto payload = Pattern(2 * TESS_USER_PROFILE_SIZE, c.command);
        client->Send(c.command, payload);
        ASSERT_TRUE(host_.WaitForType(c.command));
        const auto note = host_.NotesOfType(c.command).back();
        EXPECT_EQ(note.Kind(), c.kind);
        EXPECT_EQ(note.Status(), 1);
        EXPECT_EQ(note.DataLength(), payload.size());
        EXPECT_EQ(std::memcmp(note.Data(), payload.data(), payload.size()), 0);
    }
    client->Send(CMD_CARD_ANSWER, {'Y', 'x'});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_CARD_ANSWER));
    const auto card = host_.NotesOfType(TESS_NOTE_CARD_ANSWER).back();
    EXPECT_EQ(card.Kind(), 41);
    EXPECT_EQ(card.DataLength(), 1);
    EXPECT_EQ(card.Data()[0], 'Y');

    // 20000 bytes (compressed on the wire) do not fit into the 16348 bytes of the record.
    std::vector<std::uint8_t> big(20000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i / 100);
    client->Send(CMD_SERVER_DATA, big);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_SERVER_DATA, 2));
    const auto cut = host_.NotesOfType(TESS_NOTE_SERVER_DATA).back();
    EXPECT_EQ(cut.DataLength(), TESS_REPLY_DATA_MAX);
    EXPECT_EQ(std::memcmp(cut.Data(), big.data(), TESS_REPLY_DATA_MAX), 0);

    // Unknown commands are ignored.
    client->Send(77, {1, 2, 3});
    Sync(host_, *client);
    EXPECT_EQ(host_.CountType(77), 0u);
}

TEST_F(LibTest, PaymentReminderBlocksTheReaderUntilTheBoxCloses) {
    auto client = Login(kAccount);
    const auto gbk = Utf8ToGbk("请及时续费");
    ASSERT_TRUE(gbk);
    std::size_t notesWhileBox = 99;
    host_.on_box = [&](const Box&) { notesWhileBox = host_.notes().size(); };
    client->Send(CMD_PAYMENT_REMINDER, Payload({0}, *gbk, 1));
    client->Send(CMD_LIST_SUMMARY, {1, 0});
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY));
    ASSERT_EQ(host_.boxes().size(), 1u);
    EXPECT_EQ(host_.boxes()[0].text, "请及时续费");
    EXPECT_EQ(host_.boxes()[0].caption, "催费通知");
    EXPECT_EQ(host_.boxes()[0].icon, TESS_ICON_INFORMATION);
    EXPECT_EQ(notesWhileBox, 0u);
}

TEST_F(LibTest, DownloadChunksRebuildTheFileWithProgress) {
    auto client = Login(kAccount);
    const auto content = Pattern(3 * 1000);
    const std::string stored = "0086-20-1@report.bin";
    // An older, longer file of that name is replaced.
    std::filesystem::create_directories(downloads_);
    WriteFile("dl/tessan/report.bin", Pattern(10000, 9));
    for (std::uint32_t k = 1; k <= 3; ++k)
        client->Send(CMD_CHUNK, MakeChunk(stored, 3000, 3, k, (k - 1) * 1000,
                                          content.data() + (k - 1) * 1000, 1000, "0086-20-1"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 3));
    EXPECT_EQ(ReadFile(downloads_ / "report.bin"), content);
    const auto progress = host_.NotesOfType(TESS_NOTE_PROGRESS);
    const std::vector<std::pair<std::string, int>> expected = {
        {"33%", 33}, {"67%", 66}, {"100%", 100}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(progress[i].record[TESS_PROGRESS_OFF_DIRECTION], 1);
        EXPECT_EQ(progress[i].ProgressName(), stored);
        EXPECT_EQ(progress[i].PercentText(), expected[i].first);
        EXPECT_EQ(progress[i].Percent(), expected[i].second);
        EXPECT_EQ(progress[i].ProgressFileSize(), 3000u);
        EXPECT_EQ(std::string(FieldText(progress[i].record.data() + TESS_PROGRESS_OFF_ACCOUNT, 32)),
                  kAccount);
    }

    // A download cut off after its first chunk and started again, shorter, on the same
    // connection.
    const auto longer = Pattern(2000, 4);
    client->Send(CMD_CHUNK, MakeChunk(stored, 4000, 2, 1, 0, longer.data(), 2000));
    client->Send(CMD_CHUNK, MakeChunk(stored, 500, 1, 1, 0, content.data(), 500));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 5));
    EXPECT_EQ(ReadFile(downloads_ / "report.bin"),
              std::vector<std::uint8_t>(content.begin(), content.begin() + 500));

    // GBK names become UTF-8 file names; a trail byte 0x5C is not a path separator.
    const std::string gbkName = std::string("0086-20-1@") + "\x95\x5c" + ".txt";
    const auto local = GbkToUtf8("\x95\x5c.txt");
    ASSERT_TRUE(local);
    client->Send(CMD_CHUNK, MakeChunk(gbkName, 5, 1, 1, 0, Bytes("hello").data(), 5));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 6));
    EXPECT_EQ(ReadFile(downloads_ / *local), Bytes("hello"));
}

TEST_F(LibTest, AReplyAfterAChunkWaitsForTheChunksWriteAndProgress) {
    auto client = Login(kAccount);
    const auto content = Pattern(2 * 1000, 5);
    const std::string stored = "0086-20-1@mixed.bin";
    // A reply that follows a chunk reaches the host after that chunk is on disk (in the file's
    // part file until it is whole) and reported.
    std::vector<std::uint8_t> burst;
    const auto append = [&](const std::vector<std::uint8_t>& packet) {
        burst.insert(burst.end(), packet.begin(), packet.end());
    };
    append(MakePacket(CMD_CHUNK, MakeChunk(stored, 2000, 2, 1, 0, content.data(), 1000)));
    append(MakePacket(CMD_SERVER_DATA, Bytes("between")));
    append(MakePacket(CMD_CHUNK, MakeChunk(stored, 2000, 2, 2, 1000, content.data() + 1000, 1000)));
    std::vector<int> order;
    std::uintmax_t sizeAtReply = 0;
    host_.on_note = [&](const Note& note) {
        order.push_back(note.type);
        if (note.type != TESS_NOTE_SERVER_DATA) return;
        const auto names = FolderNames(downloads_);
        ASSERT_EQ(names.size(), 1u);
        sizeAtReply = std::filesystem::file_size(downloads_ / names[0]);
    };
    ASSERT_TRUE(client->SendRaw(burst));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 2));
    EXPECT_EQ(order,
              (std::vector<int>{TESS_NOTE_PROGRESS, TESS_NOTE_SERVER_DATA, TESS_NOTE_PROGRESS}));
    EXPECT_EQ(sizeAtReply, 1000u);
    EXPECT_EQ(ReadFile(downloads_ / "mixed.bin"), content);
}

TEST_F(LibTest, SimultaneousDownloadsKeepTheirOwnOrder) {
    // Four connections download at once; each reader has its own notification in flight.
    constexpr int kFiles = 4;
    constexpr std::uint32_t kChunks = 24;
    std::vector<std::shared_ptr<FakeClient>> clients;
    std::vector<std::vector<std::uint8_t>> contents;
    for (int f = 0; f < kFiles; ++f) {
        clients.push_back(Login("0086-10-444100" + std::to_string(f)));
        contents.push_back(Pattern(kChunks * 1000, 20 + f));
    }
    for (int f = 0; f < kFiles; ++f) {
        std::vector<std::uint8_t> burst;
        const std::string stored = "0086-20-1@many" + std::to_string(f) + ".bin";
        for (std::uint32_t k = 1; k <= kChunks; ++k) {
            const auto packet = MakePacket(
                CMD_CHUNK, MakeChunk(stored, kChunks * 1000, kChunks, k, (k - 1) * 1000,
                                     contents[f].data() + (k - 1) * 1000, 1000, "0086-20-1"));
            burst.insert(burst.end(), packet.begin(), packet.end());
        }
        ASSERT_TRUE(clients[f]->SendRaw(burst));
    }
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, kFiles * kChunks));
    std::map<std::string, int> lastPercent;
    for (const auto& note : host_.NotesOfType(TESS_NOTE_PROGRESS)) {
        const std::string name = note.ProgressName();
        EXPECT_GT(note.Percent(), lastPercent[name]) << name;  // each file's progress only grows
        lastPercent[name] = note.Percent();
    }
    for (int f = 0; f < kFiles; ++f) {
        EXPECT_EQ(lastPercent["0086-20-1@many" + std::to_string(f) + ".bin"], 100);
        EXPECT_EQ(ReadFile(downloads_ / ("many" + std::to_string(f) + ".bin")), contents[f]);
    }
}

TEST_F(LibTest, DownloadNamesThatLeaveTheFolderWriteNothing) {
    auto client = Login(kAccount);
    const std::vector<std::string> names = {
        "0086-20-1@../escape.txt",     "0086-20-1@sub/inner.txt", "0086-20-1@..",  "0086-20-1@",
        "0086-20-1@/tmp/absolute.txt", "0086-20-1@a\\b.txt",      "no-at-sign.txt"};
    for (const auto& name : names)
        client->Send(CMD_CHUNK, MakeChunk(name, 4, 1, 1, 0, Bytes("evil").data(), 4));
    // A name without terminator is read within its 260-byte field only.
    std::vector<std::uint8_t> unterminated = MakeChunk("", 4, 1, 1, 0, Bytes("evil").data(), 4);
    std::fill(unterminated.begin(), unterminated.begin() + TESS_NAME_SIZE, 'n');
    client->Send(CMD_CHUNK, unterminated);
    // The server's answer for a refused name tells the host it failed.
    std::vector<std::uint8_t> answer(300, 0);
    answer[0] = 1;
    PutField(answer.data() + 1, 260, "../escape.txt");
    client->Send(CMD_DOWNLOAD_ANSWER, answer);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER));

    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DOWNLOAD_ANSWER).at(0).Status(), 0);
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 0u);
    EXPECT_FALSE(std::filesystem::exists(root_ / "dl" / "escape.txt"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/absolute.txt"));
    EXPECT_TRUE(FolderNames(downloads_).empty());
    // Each refusal is a line for the host, without the bytes a server chose to print.
    const auto lines = host_.LogLines();
    EXPECT_EQ(lines.size(), names.size() + 1);
    EXPECT_TRUE(Logged(host_, "name \"0086-20-1@../escape.txt\""));
}

// A server that repeats a fault cannot flood the host's log: each kind of line is written the
// first few times, then counted, and the count is told as the connection closes.
TEST_F(LibTest, ARepeatedFaultLogsABoundedNumberOfLines) {
    auto client = Login(kAccount);
    constexpr std::size_t kFlood = 2345;
    const auto refused =
        MakePacket(CMD_CHUNK, MakeChunk("no-at-sign.txt", 4, 1, 1, 0, Bytes("evil").data(), 4));
    auto damaged = MakePacket(CMD_SERVER_DATA, Bytes("data"));
    damaged[kOffChecksum] ^= 0xFF;
    std::vector<std::uint8_t> stream;
    for (std::size_t i = 0; i < kFlood; ++i)
        stream.insert(stream.end(), refused.begin(), refused.end());
    // Another kind after the flood is still written.
    stream.insert(stream.end(), damaged.begin(), damaged.end());
    client->SendRaw(stream);
    Sync(host_, *client);
    EXPECT_LT(host_.LogLines().size(), 20u);
    EXPECT_TRUE(Logged(host_, "packet with a damaged body dropped"));
    EXPECT_TRUE(Logged(host_, "refused (account 0086-10-4440001): 1000 more not written"));

    EXPECT_EQ(DisconnectServer(kAccount), 1);
    const auto lines = host_.LogLines();
    EXPECT_LT(lines.size(), 20u);
    EXPECT_NE(
        lines.back().find(std::to_string(kFlood - ConnectionLog::kShown) + " more not written"),
        std::string::npos)
        << lines.back();
}

// Chunks that lie about themselves: each is refused, and nothing of them reaches the host.
TEST_F(LibTest, ChunksWithFalseFieldsWriteNothingAndReportNoProgress) {
    auto client = Login(kAccount);
    const auto data = Bytes("evil");
    struct Lie {
        std::uint32_t fileSize, count, number, offset;
    };
    const std::vector<Lie> lies = {
        {4, 2, 0, 0},           // chunk number 0
        {4, 2, 5, 0},           // number above the count: would show "250%"
        {4, 0, 1, 0},           // count 0
        {4, 1, 1, 5},           // offset beyond the file
        {4, 1, 1, 1},           // offset + length beyond the file
        {4, 1, 1, 0xFFFFFFFF},  // offset + length past 4 GiB
    };
    for (std::size_t i = 0; i < lies.size(); ++i) {
        const Lie& lie = lies[i];
        client->Send(CMD_CHUNK,
                     MakeChunk("0086-20-1@lie" + std::to_string(i) + ".bin", lie.fileSize,
                               lie.count, lie.number, lie.offset, data.data(), 4));
    }
    // The same file told truthfully is written.
    client->Send(CMD_CHUNK, MakeChunk("0086-20-1@lie0.bin", 4, 1, 1, 0, data.data(), 4));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_PROGRESS).at(0).PercentText(), "100%");
    EXPECT_EQ(FolderNames(downloads_), std::vector<std::string>{"lie0.bin"});
    EXPECT_EQ(ReadFile(downloads_ / "lie0.bin"), data);
    EXPECT_EQ(host_.LogLines().size(), lies.size());
}

// Restarts the library with `folder` as the start folder (the working directory at
// initialisation), where configuration files go.
void StartIn(EventLoopHost& host, const std::filesystem::path& folder,
             const std::filesystem::path& downloads) {
    FreeFtpDll();
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    ASSERT_EQ(InitFtpDll(host.descriptor(), kMessage, downloads.c_str()), 1);
    ASSERT_EQ(chdir(previous), 0);
}

TEST_F(LibTest, ConfigurationFilesNobodyAskedForAreDroppedAndTheConnectionStays) {
    StartIn(host_, root_, downloads_);
    WriteFile(".profile", Bytes("user's own"));
    WriteFile("serverlist.ini", Bytes("[servers]"));
    const auto before = FolderNames(root_);
    auto client = Login(kAccount);
    Login("0086-10-4440002");
    // Asked on another connection, or a hidden name the library never accepts.
    EXPECT_EQ(DownLoadIni("0086-10-4440002", "serverlist.ini"), 1);
    EXPECT_EQ(DownLoadIni(kAccount, ".profile"), 1);
    const auto evil = Bytes("evil");
    for (const char* name : {"unasked.ini", ".profile", "serverlist.ini"})
        client->Send(CMD_CONFIG_CHUNK, MakeChunk(name, 4, 1, 1, 0, evil.data(), 4));
    Sync(host_, *client);

    EXPECT_EQ(host_.CountType(TESS_NOTE_DISCONNECTED), 0u);
    EXPECT_EQ(ListFile(kAccount), 1);
    EXPECT_EQ(FolderNames(root_), before);
    EXPECT_EQ(ReadFile(root_ / ".profile"), Bytes("user's own"));
    EXPECT_EQ(ReadFile(root_ / "serverlist.ini"), Bytes("[servers]"));
}

TEST_F(LibTest, AnAskedConfigurationFileReplacesItsTargetOnlyWhenComplete) {
    StartIn(host_, root_, downloads_);
    // The target is a link to a file outside: the link is replaced, never written through.
    WriteFile("outside.txt", Bytes("not to be touched"));
    std::filesystem::create_symlink(root_ / "outside.txt", root_ / "serverlist.ini");
    WriteFile("para.ini", Bytes("1"));
    auto client = Login(kAccount);
    ASSERT_EQ(DownLoadIni(kAccount, "serverlist.ini"), 1);
    ASSERT_EQ(DownLoadIni(kAccount, "para.ini"), 1);
    const auto content = Bytes("[servers]\r\n0086=127.0.0.1\r\n");

    // para.ini with a hole (chunk 2 never came): the old file stays.
    client->Send(CMD_CONFIG_CHUNK, MakeChunk("para.ini", 8, 3, 1, 0, content.data(), 2));
    client->Send(CMD_CONFIG_CHUNK, MakeChunk("para.ini", 8, 3, 3, 6, content.data(), 2));
    // A lying last chunk is refused and does not end the file.
    client->Send(CMD_CONFIG_CHUNK, MakeChunk("serverlist.ini", 27, 2, 1, 0, content.data(), 10));
    client->Send(CMD_CONFIG_CHUNK,
                 MakeChunk("serverlist.ini", 27, 2, 2, 20, content.data() + 10, 17));
    Sync(host_, *client);
    EXPECT_EQ(host_.CountType(TESS_NOTE_DISCONNECTED), 0u);
    EXPECT_EQ(ReadFile(root_ / "para.ini"), Bytes("1"));
    EXPECT_TRUE(std::filesystem::is_symlink(root_ / "serverlist.ini"));

    // The true last chunk completes the last file asked for: in place, and the connection closes.
    client->Send(CMD_CONFIG_CHUNK,
                 MakeChunk("serverlist.ini", 27, 2, 2, 10, content.data() + 10, 17));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED));
    EXPECT_FALSE(std::filesystem::is_symlink(root_ / "serverlist.ini"));
    EXPECT_EQ(ReadFile(root_ / "serverlist.ini"), content);
    EXPECT_EQ(ReadFile(root_ / "outside.txt"), Bytes("not to be touched"));
    // No half-built file is left behind.
    EXPECT_EQ(FolderNames(root_),
              (std::vector<std::string>{"dl", "outside.txt", "para.ini", "serverlist.ini"}));
}

TEST_F(LibTest, ConfigurationFileLandsInTheStartFolderAndClosesTheConnection) {
    StartIn(host_, root_, downloads_);
    auto client = Login(kAccount);
    EXPECT_EQ(DownLoadIni(kAccount, "serverlist.ini"), 1);
    const auto content = Bytes("[servers]\r\n0086=127.0.0.1\r\n");
    client->Send(CMD_CONFIG_CHUNK, MakeChunk("../escape.ini", 4, 2, 1, 0, content.data(), 4));
    client->Send(CMD_CONFIG_CHUNK, MakeChunk("serverlist.ini", 27, 2, 1, 0, content.data(), 10));
    client->Send(CMD_CONFIG_CHUNK,
                 MakeChunk("serverlist.ini", 27, 2, 2, 10, content.data() + 10, 17));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DISCONNECTED).at(0).Account(), kAccount);
    EXPECT_EQ(ReadFile(root_ / "serverlist.ini"), content);
    EXPECT_FALSE(std::filesystem::exists(root_.parent_path() / "escape.ini"));
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 0u);
    EXPECT_TRUE(client->WaitClosedByPeer());

    // Closed but still registered: connecting again reports success without a new login.
    EXPECT_EQ(ConnectServer("127.0.0.1", server_.port(), kAccount, "key"), 1);
    EXPECT_EQ(server_.ClientCount(), 1u);
    EXPECT_EQ(DisconnectServer(kAccount), 1);
    EXPECT_EQ(ListFile(kAccount), -1);
    EXPECT_EQ(host_.CountType(TESS_NOTE_DISCONNECTED), 1u);
}

}  // namespace
}  // namespace tessnet::testing
