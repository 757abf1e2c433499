// Hostile and broken clients: garbage on the stream, oversized and corrupt packets, names that
// try to leave DIR, uploads cut off halfway, many clients at once, and clean shutdown.
#include <sys/socket.h>

#include <random>
#include <set>
#include <thread>

#include "packet.h"
#include "test_client.h"

namespace tessd::test {
namespace {

using namespace tessnet;
namespace fs = std::filesystem;

std::size_t FilesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(dir)) ++n;
    return n;
}

// Every path below DIR's parent except DIR itself: nothing may appear there.
std::set<fs::path> Siblings(const fs::path& dir) {
    std::set<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir.parent_path()))
        if (e.path() != dir) out.insert(e.path());
    return out;
}

using RobustnessTest = ServerTest;

TEST_F(RobustnessTest, StreamResynchronisesAfterGarbageOversizeAndBadChecksum) {
    auto c = Connect();
    Bytes stream = {'x', 'y', ':', ':', 'z', ':'};  // stray bytes, "::" and a lone colon
    Bytes oversized(kHeaderSize, 0);
    oversized[0] = oversized[1] = oversized[2] = ':';
    PutU16(oversized.data() + kOffBodyLength, 9000);  // header announcing a 9000-byte body
    stream.insert(stream.end(), oversized.begin(), oversized.end());
    Bytes corrupt = PacketBytes(CMD_LOGIN, LoginRequest::Encode(alice_.number, "bad"));
    corrupt.back() ^= 0xFF;  // checksum no longer matches: dropped without answer
    stream.insert(stream.end(), corrupt.begin(), corrupt.end());
    const Bytes good =
        PacketBytes(CMD_LOGIN, LoginRequest::Encode(alice_.number, alice_.privateKey));
    stream.insert(stream.end(), good.begin(), good.end());
    // Sent in small random pieces so that headers and bodies split across receipts.
    std::mt19937 rng(3);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 7, stream.size() - at);
        ASSERT_TRUE(c->SendBytes(stream.data() + at, n));
        at += n;
    }
    auto r = c->Receive();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header.command, CMD_LOGIN_RESULT);
    EXPECT_EQ(r->payload[0], 1);  // the corrupt login was never answered
}

TEST_F(RobustnessTest, RandomBytesAndTruncatedPayloadsNeverCrash) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        auto c = Connect();
        c->LoginStatus(alice_.number, alice_.privateKey);
        // Every command with short, empty-ish and random payloads.
        for (int command : {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 31, 36, 40, 128, 200}) {
            const std::size_t n = 1 + rng() % 400;
            c->Send(static_cast<std::uint8_t>(command), RandomBytes(n, rng()));
        }
        c->SendBytes(RandomBytes(5000, rng()));
    }
    // Still serving, and nothing was written outside DIR.
    EXPECT_EQ(Connect()->LoginStatus(bob_.number, bob_.privateKey), 1);
    EXPECT_EQ(store_->FindAccount(alice_.number)->PrivateKey(), alice_.privateKey);
    EXPECT_EQ(FilesIn(dir_ / "tmp"), 0u);
}

TEST_F(RobustnessTest, NamesThatWouldChoosePathsAreRefused) {
    const auto before = Siblings(dir_);
    auto c = Connect();
    ASSERT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
    const std::string bad[] = {
        "../escape",          "a/b", "..", "a\\b", "", std::string("x\x01y"), "/etc/passwd",
        std::string("\x81/x")};
    for (const std::string& name : bad) {
        c->Announce(name, 10, alice_.number);
        auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
        ASSERT_TRUE(answer) << name;
        EXPECT_EQ(answer->payload[0], 0) << name;
        EXPECT_EQ(answer->payload[1], kUploadRefused) << name;
        c->SendChunks(name, Bytes(10, 'z'), alice_.number);  // never announced: ignored
    }
    // A sender number is part of the stored name: it must look like a number.
    c->Announce("ok.txt", 10, "../../x");
    auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[1], kUploadRefused);

    auto bob = LoginOwner(bob_);
    EXPECT_TRUE(ListFiles(*bob).empty());
    EXPECT_EQ(Siblings(dir_), before);
    EXPECT_EQ(FilesIn(dir_ / "files"), 0u);
}

TEST_F(RobustnessTest, DisconnectMidUploadLeavesNothingListed) {
    {
        auto c = Connect();
        ASSERT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
        c->Announce("half.bin", 3 * kChunkData, alice_.number);
        ASSERT_TRUE(c->Expect(CMD_ANNOUNCE_ANSWER));
        ChunkHead head{"half.bin", 3 * kChunkData, alice_.number, 3, 1, 0, 0};
        const Bytes data(kChunkData, 'h');
        c->Send(CMD_CHUNK, head.Encode(data.data(), data.size()), 3, 2);
        ASSERT_TRUE(WaitFor([&] { return FilesIn(dir_ / "tmp") == 1; }));
    }  // connection closed after one of three chunks
    EXPECT_TRUE(WaitFor([&] { return FilesIn(dir_ / "tmp") == 0; }));
    auto bob = LoginOwner(bob_);
    EXPECT_TRUE(ListFiles(*bob).empty());
    EXPECT_EQ(FilesIn(dir_ / "files"), 0u);
}

TEST_F(RobustnessTest, ChunksOutOfOrderOrPastTheSizeAbortTheUpload) {
    auto c = Connect();
    ASSERT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
    const Bytes data(100, 'd');
    struct Case {
        std::uint32_t size, count, number, offset;
        std::size_t length;
    };
    const Case cases[] = {
        {200, 2, 2, 100, 100},  // starts with the second chunk
        {100, 1, 1, 0, 150},    // more data than the file
        {300, 2, 1, 0, 100},    // then a "last" chunk that leaves the file short (below)
    };
    for (const Case& k : cases) {
        c->Announce("o.bin", k.size, alice_.number);
        ASSERT_EQ(c->Expect(CMD_ANNOUNCE_ANSWER)->payload[1], kUploadGo);
        ChunkHead head{"o.bin", k.size, alice_.number, k.count, k.number, k.offset, 0};
        const Bytes body(k.length, 'd');
        c->Send(CMD_CHUNK, head.Encode(body.data(), body.size()), k.count, k.number + 1);
        if (k.size == 300) {
            head.chunkNumber = 2;
            head.fileOffset = 100;
            c->Send(CMD_CHUNK, head.Encode(data.data(), data.size()), 2, 3);
        }
        auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->payload[0], 0);
        EXPECT_EQ(answer->payload[1], kUploadBroken);
    }
    auto bob = LoginOwner(bob_);
    EXPECT_TRUE(ListFiles(*bob).empty());
    EXPECT_TRUE(WaitFor([&] { return FilesIn(dir_ / "tmp") == 0; }));
}

TEST_F(RobustnessTest, ManyClientsAtOnceKeepTheirDataApart) {
    constexpr int kClients = 8;
    std::vector<std::thread> threads;
    std::vector<int> results(kClients, -1);
    std::vector<Bytes> contents;
    for (int i = 0; i < kClients; ++i) contents.push_back(RandomBytes(20000 + i * 1000, 100 + i));
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back([&, i] {
            const Account& to = i % 2 ? alice_ : bob_;
            results[i] = Upload(to, "f" + std::to_string(i), contents[i], carol_.number);
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(results[i], kUploadReceived) << i;
    for (const Account& a : {alice_, bob_}) {
        auto owner = LoginOwner(a);
        const auto entries = ListFiles(*owner);
        EXPECT_EQ(entries.size(), kClients / 2u);
        for (const auto& e : entries) {
            const int i = std::stoi(e.storedName.substr(e.storedName.find('@') + 2));
            EXPECT_EQ(i % 2 == 1, a.number == alice_.number) << e.storedName;
            EXPECT_EQ(e.fileSize, contents[i].size());
        }
    }
}

TEST_F(RobustnessTest, StopClosesIdleAndHalfSentClients) {
    auto idle = Connect();
    auto partial = Connect();
    const Bytes packet = PacketBytes(CMD_LOGIN, LoginRequest::Encode(alice_.number, "x"));
    partial->SendBytes(packet.data(), 10);  // a header that never completes
    ASSERT_TRUE(WaitFor([&] { return server_->ClientCount() == 2; }));
    StopServer();
    EXPECT_TRUE(idle->WaitClosed());
    EXPECT_TRUE(partial->WaitClosed());
    // State survives a restart.
    StartServer();
    EXPECT_EQ(Connect()->LoginStatus(alice_.number, alice_.privateKey), 1);
}

}  // namespace
}  // namespace tessd::test
