// A download counts only when whole: a file with a hole, a chunk that contradicts it, a failed
// write or a close before its end never reaches 100% or the file's name, an older file of that
// name stays, and the host hears that the download failed.
#include <signal.h>
#include <sys/resource.h>

#include <cstring>

#include "lib_fixture.h"
#include "wire_text.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-7770001";
constexpr char kSender[] = "0086-20-1";
constexpr std::uint32_t kChunk = 1000;

class DownloadTest : public LibTest {
  protected:
    void SetUp() override {
        LibTest::SetUp();
        std::filesystem::create_directories(downloads_);
        content_ = Pattern(4 * kChunk, 11);
    }

    // Chunk k (1 to 4) of the 4000-byte file `name`.
    std::vector<std::uint8_t> ChunkPacket(const std::string& name, std::uint32_t k) const {
        return MakePacket(CMD_CHUNK, MakeChunk(std::string(kSender) + "@" + name, 4 * kChunk, 4, k,
                                               (k - 1) * kChunk, content_.data() + (k - 1) * kChunk,
                                               kChunk, kSender));
    }

    // The server's answer after a file's chunks: it thinks the file went out whole.
    static void AnswerSent(FakeClient& client, const std::string& name) {
        std::vector<std::uint8_t> answer(1 + 260 + 64, 0);
        answer[0] = 1;
        PutField(answer.data() + 1, 260, name);
        PutField(answer.data() + 261, 64, *Utf8ToGbk("文件:" + name + "下载完毕!"));
        client.Send(CMD_DOWNLOAD_ANSWER, answer);
    }

    // The host heard that `name` failed, and nothing of it reached 100%; the older file is as it
    // was and no part file is left.
    void ExpectFailed(const std::string& name, const std::vector<std::uint8_t>& older) {
        const auto answers = host_.NotesOfType(TESS_NOTE_DOWNLOAD_ANSWER);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].Kind(), 1);
        EXPECT_EQ(answers[0].Status(), 0);
        EXPECT_EQ(answers[0].DataLength(), 1024);
        EXPECT_EQ(answers[0].DataText(TESS_DOWNLOAD_ANSWER_OFF_NAME), name);
        EXPECT_EQ(answers[0].DataText(TESS_DOWNLOAD_ANSWER_OFF_TEXT),
                  *Utf8ToGbk("文件:" + name + "下载失败!"));
        EXPECT_EQ(host_.completed_count(), 0u);
        EXPECT_EQ(FolderNames(downloads_), std::vector<std::string>{name});
        EXPECT_EQ(ReadFile(downloads_ / name), older);
    }

    std::vector<std::uint8_t> content_;
};

TEST_F(DownloadTest, AFileWithAHoleOrAContradictingChunkFailsAndTheOlderFileStays) {
    auto client = Login(kAccount);
    const auto older = Bytes("the older file");
    WriteFile("dl/tessan/report.bin", older);
    // Ways the third chunk can break the file.
    struct Case {
        const char* what;
        std::function<std::vector<std::uint8_t>()> third;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"missing", [] { return std::vector<std::uint8_t>(); }, "out of order"},
        {"damaged on the way",
         [&] {
             auto packet = ChunkPacket("report.bin", 3);
             packet[kOffChecksum] ^= 0xFF;
             return packet;
         },
         "damaged body"},
        {"at another offset",
         [&] {
             return MakePacket(CMD_CHUNK, MakeChunk("0086-20-1@report.bin", 4 * kChunk, 4, 3, 2500,
                                                    content_.data(), kChunk));
         },
         "out of order"},
        {"for another size",
         [&] {
             return MakePacket(CMD_CHUNK, MakeChunk("0086-20-1@report.bin", 5 * kChunk, 4, 3,
                                                    2 * kChunk, content_.data(), kChunk));
         },
         "out of order"},
        {"claiming more than it carries",
         [&] {
             auto chunk = MakeChunk("0086-20-1@report.bin", 4 * kChunk, 4, 3, 2 * kChunk,
                                    content_.data(), kChunk);
             PutU32(chunk.data() + TESS_CHUNK_OFF_CHUNK_LENGTH, 2 * kChunk);
             return MakePacket(CMD_CHUNK, chunk);
         },
         "contradicts itself"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host_.Reset();
        for (std::uint32_t k : {1u, 2u}) client->SendRaw(ChunkPacket("report.bin", k));
        client->SendRaw(c.third());
        client->SendRaw(ChunkPacket("report.bin", 4));
        AnswerSent(*client, "report.bin");
        ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER));
        EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 2u);
        ExpectFailed("report.bin", older);
        EXPECT_TRUE(Logged(host_, c.logged));
    }

    // Whole, it replaces the older file, and the server's answer reaches the host as sent.
    host_.Reset();
    for (std::uint32_t k = 1; k <= 4; ++k) client->SendRaw(ChunkPacket("report.bin", k));
    AnswerSent(*client, "report.bin");
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER));
    EXPECT_EQ(host_.completed_count(), 1u);
    const auto answer = host_.NotesOfType(TESS_NOTE_DOWNLOAD_ANSWER).at(0);
    EXPECT_EQ(answer.Status(), 1);
    EXPECT_EQ(answer.DataText(TESS_DOWNLOAD_ANSWER_OFF_TEXT),
              *Utf8ToGbk("文件:report.bin下载完毕!"));
    EXPECT_EQ(ReadFile(downloads_ / "report.bin"), content_);
    EXPECT_EQ(FolderNames(downloads_), std::vector<std::string>{"report.bin"});
}

TEST_F(DownloadTest, TheLongestNameTheFieldCarriesIsDownloadedUnderIt) {
    auto client = Login(kAccount);
    // The stored name fills its field: 259 bytes, so the plain name alone is 249.
    const std::string name = std::string(245, 'n') + ".bin";
    for (std::uint32_t k = 1; k <= 4; ++k) client->SendRaw(ChunkPacket(name, k));
    AnswerSent(*client, name);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DOWNLOAD_ANSWER).at(0).Status(), 1)
        << ::testing::PrintToString(host_.LogLines());
    EXPECT_EQ(host_.completed_count(), 1u);
    EXPECT_EQ(FolderNames(downloads_), std::vector<std::string>{name});
    EXPECT_EQ(ReadFile(downloads_ / name), content_);
}

// Files may grow to `limit` bytes while it lives; a write beyond fails (EFBIG) instead of
// raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

TEST_F(DownloadTest, AFailedWriteFailsTheFileAndTheOlderFileStays) {
    auto client = Login(kAccount);
    const auto older = Bytes("older");
    WriteFile("dl/tessan/full.bin", older);
    {
        // The disk is full after 2500 bytes: the third chunk cannot be written.
        const FileSizeLimit limit(2500);
        for (std::uint32_t k = 1; k <= 4; ++k) client->SendRaw(ChunkPacket("full.bin", k));
        AnswerSent(*client, "full.bin");
        ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DOWNLOAD_ANSWER));
    }
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 2u);
    ExpectFailed("full.bin", older);
    EXPECT_TRUE(Logged(host_, "not written")) << ::testing::PrintToString(host_.LogLines());
    EXPECT_TRUE(Logged(host_, std::strerror(EFBIG)));
}

TEST_F(DownloadTest, AServerThatClosesMidwayLeavesNoFileAndSaysSoBeforeTheClose) {
    auto client = Login(kAccount);
    const auto older = Bytes("older");
    WriteFile("dl/tessan/cut.bin", older);
    for (std::uint32_t k : {1u, 2u}) client->SendRaw(ChunkPacket("cut.bin", k));
    client->Close();
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED));
    std::vector<int> order;
    for (const auto& note : host_.notes()) order.push_back(note.type);
    EXPECT_EQ(order, (std::vector<int>{TESS_NOTE_PROGRESS, TESS_NOTE_PROGRESS,
                                       TESS_NOTE_DOWNLOAD_ANSWER, TESS_NOTE_DISCONNECTED}));
    ExpectFailed("cut.bin", older);
}

}  // namespace
}  // namespace tessnet::testing
