// Progress notices: one for a file's first chunk, one whenever its percentage changes, one for its
// last; and what a host that disconnects from inside one can rely on.
#include <cstdio>
#include <cstring>

#include "lib_fixture.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-6660001";

// A notice the host should hear: the chunk it comes with and what it says.
struct Heard {
    std::uint32_t chunk = 0;
    std::string text;
    int percent = 0;
    bool operator==(const Heard&) const = default;
};

// The notices for a file of `count` chunks: every chunk whose percentage (number or text) differs
// from the one before. Uploads truncate the number from a single-precision ratio.
std::vector<Heard> Expected(std::uint32_t count, bool upload) {
    std::vector<Heard> out;
    for (std::uint32_t k = 1; k <= count; ++k) {
        char text[16];
        std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(k) / count * 100);
        const int percent =
            upload ? static_cast<int>(static_cast<float>(k) / static_cast<float>(count) * 100)
                   : static_cast<int>(static_cast<double>(k) / count * 100);
        if (out.empty() || out.back().text != text || out.back().percent != percent)
            out.push_back({k, text, percent});
    }
    return out;
}

// What the host heard, without the chunk numbers (the records do not carry them).
std::vector<Heard> Received(const EventLoopHost& host) {
    std::vector<Heard> out;
    for (const auto& note : host.NotesOfType(TESS_NOTE_PROGRESS))
        out.push_back({0, note.PercentText(), note.Percent()});
    return out;
}

std::vector<Heard> WithoutChunks(std::vector<Heard> heard) {
    for (auto& h : heard) h.chunk = 0;
    return heard;
}

// A download of `count` chunks of `size` bytes each, sent in one burst.
std::vector<std::uint8_t> DownloadBurst(const std::string& stored, std::uint32_t count,
                                        std::uint32_t size) {
    const auto content = Pattern(count * size, count);
    std::vector<std::uint8_t> burst;
    for (std::uint32_t k = 1; k <= count; ++k) {
        const auto packet =
            MakePacket(CMD_CHUNK, MakeChunk(stored, count * size, count, k, (k - 1) * size,
                                            content.data() + (k - 1) * size, size, "0086-20-1"));
        burst.insert(burst.end(), packet.begin(), packet.end());
    }
    return burst;
}

std::size_t ChunksAt(FakeClient& client) {
    std::size_t n = 0;
    for (const auto& p : client.Packets()) n += p.header.command == CMD_CHUNK;
    return n;
}

TEST_F(LibTest, ProgressComesWhenAFilesPercentageChanges) {
    auto client = Login(kAccount);
    // Up to 100 chunks, every chunk changes the percentage; a thousand give about 200 notices.
    for (const std::uint32_t count : {3u, 100u, 1000u}) {
        SCOPED_TRACE(count);
        host_.ClearNotes();
        const std::string name = "file" + std::to_string(count) + ".bin";
        ASSERT_TRUE(client->SendRaw(DownloadBurst("0086-20-1@" + name, count, 10)));
        ASSERT_TRUE(host_.RunUntil(
            [&] { return !host_.notes().empty() && host_.notes().back().Percent() == 100; }));
        const auto expected = Expected(count, false);
        EXPECT_EQ(Received(host_), WithoutChunks(expected));
        if (count <= 100)
            EXPECT_EQ(expected.size(), count);
        else
            EXPECT_LE(expected.size(), 201u);
        EXPECT_EQ(std::filesystem::file_size(downloads_ / name), count * 10u);
    }

    // An upload of 300 chunks.
    server_.ServeUploads(false, false);
    auto recipient = LoginAccepted("0086-10-6660002");
    host_.ClearNotes();
    const std::uint32_t count = 300;
    ASSERT_EQ(UploadFile(kAccount, "0086-10-6660002",
                         WriteFile("up.bin", Pattern(count * TESS_CHUNK_DATA_MAX, 4)).c_str()),
              1);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_QUEUE_EMPTY));
    EXPECT_EQ(Received(host_), WithoutChunks(Expected(count, true)));
    EXPECT_EQ(server_.Uploads().at("up.bin").chunks, count);
}

TEST_F(LibTest, ADownloadStopsBeforeTheNextChunkTheHostWouldHearOf) {
    auto client = Login(kAccount);
    // Five chunks: each is heard of, so none is written before the host has handled the one
    // before. The part file holds what was written; the target name nothing before the end.
    std::vector<std::uintmax_t> written;
    host_.on_note = [&](const Note& note) {
        if (note.type != TESS_NOTE_PROGRESS) return;
        // The reader has the next chunk in hand and waits for the host.
        EXPECT_TRUE(SenderWaitsForTheHost());
        const auto names = FolderNames(downloads_);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_NE(names[0], "five.bin");
        written.push_back(std::filesystem::file_size(downloads_ / names[0]));
        if (written.size() == 2) DisconnectServer(kAccount);
    };
    ASSERT_TRUE(client->SendRaw(DownloadBurst("0086-20-1@five.bin", 5, 1000)));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 2));
    EXPECT_TRUE(client->WaitClosedByPeer());
    EXPECT_EQ(written, (std::vector<std::uintmax_t>{1000, 2000}));
    // Closing removed the part file.
    EXPECT_TRUE(FolderNames(downloads_).empty());

    // A thousand chunks: those between two notices are written without waiting, and still
    // nothing after the host's disconnect is heard of or left behind.
    auto second = Login("0086-10-6660003");
    host_.Reset();
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_PROGRESS) DisconnectServer("0086-10-6660003");
    };
    ASSERT_TRUE(second->SendRaw(DownloadBurst("0086-20-1@many.bin", 1000, 10)));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS));
    EXPECT_TRUE(second->WaitClosedByPeer());
    EXPECT_TRUE(FolderNames(downloads_).empty());
    // Whatever the reader had posted ran before another connection's reply.
    auto third = Login("0086-10-6660004");
    Sync(host_, *third);
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 1u);
}

TEST_F(LibTest, AnUploadStopsBeforeTheNextChunkTheHostWouldHearOf) {
    server_.ServeUploads(false, false);
    // Five chunks, each heard of; three hundred, most sent between two notices.
    for (const std::uint32_t count : {5u, 300u}) {
        SCOPED_TRACE(count);
        const std::string account = "0086-10-666" + std::to_string(1000 + count);
        auto client = LoginAccepted(account);
        host_.Reset();
        const auto heard = Expected(count, true);
        ASSERT_GE(heard.size(), 3u);
        // At each notice the sender waits for the host with the next chunk it will hear of in
        // hand: the server has the chunks up to the one told of, and none from that next one on.
        // The host disconnects inside the second notice.
        std::size_t notices = 0;
        host_.on_note = [&](const Note& note) {
            if (note.type != TESS_NOTE_PROGRESS) return;
            const Heard& now = heard[notices];
            const std::uint32_t next = heard[notices + 1].chunk;
            ++notices;
            EXPECT_TRUE(client->WaitForPackets(2 + now.chunk));  // the login, the announcement
            EXPECT_TRUE(SenderWaitsForTheHost());
            EXPECT_LT(ChunksAt(*client), next);
            if (notices == 2) DisconnectServer(account.c_str());
        };
        const auto path = WriteFile("big" + std::to_string(count) + ".bin",
                                    Pattern(count * TESS_CHUNK_DATA_MAX, 6));
        ASSERT_EQ(UploadFile(account.c_str(), account.c_str(), path.c_str()), 1);
        ASSERT_TRUE(host_.WaitForType(TESS_NOTE_PROGRESS, 2));
        EXPECT_TRUE(client->WaitClosedByPeer());
        host_.on_note = nullptr;
        const std::size_t sent = ChunksAt(*client);
        EXPECT_GE(sent, heard[1].chunk);
        EXPECT_LT(sent, heard[2].chunk);
        EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 2u);
    }
}

}  // namespace
}  // namespace tessnet::testing
