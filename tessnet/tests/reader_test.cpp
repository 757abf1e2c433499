// The reader thread over a real socket: resynchronisation, split and joined packets, bad
// checksums, bursts, and how connections end.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "connection.h"
#include "inbound_queue.h"
#include "lib_fixture.h"
#include "registry.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-5550001";

std::vector<std::uint8_t> Summary(const std::string& text) {
    std::vector<std::uint8_t> payload(text.size() + 2, 0);
    payload[0] = 1;
    std::memcpy(payload.data() + 1, text.data(), text.size());
    return MakePacket(CMD_LIST_SUMMARY, payload);
}

std::vector<std::string> SummaryTexts(const EventLoopHost& host) {
    std::vector<std::string> out;
    for (const auto& note : host.NotesOfType(TESS_NOTE_LIST_SUMMARY))
        out.push_back(note.DataText(0));
    return out;
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

TEST_F(LibTest, GarbageIsSkippedUntilTheNextPacket) {
    auto client = Login(kAccount);
    std::vector<std::uint8_t> stream = {0x01, 0x02};  // two stray bytes, one at a time
    Append(stream, Summary("first"));
    Append(stream, Bytes("::x"));  // two colons and a third byte: three bytes at once
    Append(stream, Bytes(":y"));
    // A header announcing a 9000-byte body is dropped (32 bytes); the search goes on behind it.
    auto oversized = Summary("never");
    PutU16(oversized.data() + kOffBodyLength, 9000);
    oversized.resize(kHeaderSize);
    Append(stream, oversized);
    Append(stream, Summary("second"));
    // A bad checksum drops that packet and nothing else.
    auto corrupt = Summary("corrupt");
    corrupt[kOffChecksum] ^= 0xFF;
    Append(stream, corrupt);
    Append(stream, Summary("third"));
    client->SendRaw(stream);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY, 3));
    EXPECT_EQ(SummaryTexts(host_), (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(LibTest, PacketsSplitOverManyReceiptsOrJoinedInOne) {
    auto client = Login(kAccount);
    const auto split = Summary(std::string(300, 'z'));  // compressed body
    for (std::size_t i = 0; i < split.size(); i += 7)
        client->SendRaw(split.data() + i, std::min<std::size_t>(7, split.size() - i));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY, 1));
    EXPECT_EQ(SummaryTexts(host_).at(0), std::string(300, 'z'));

    std::vector<std::uint8_t> joined;
    std::vector<std::string> expected{std::string(300, 'z')};
    for (int i = 0; i < 100; ++i) {
        expected.push_back("packet " + std::to_string(i));
        Append(joined, Summary(expected.back()));
    }
    client->SendRaw(joined);
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY, 101));
    EXPECT_EQ(SummaryTexts(host_), expected);
}

TEST_F(LibTest, BurstWhileTheHostIsBusyIsKeptWhole) {
    auto client = Login(kAccount);
    // Incompressible 8000-byte payloads, about 4 MiB on the wire. The server sends them from its
    // own thread while the host sits in the first notification; the host leaves it once a part
    // of the burst is on its way, so the library has unread data behind a busy host. How much
    // of the rest the kernel buffers meanwhile does not matter: it all flows once the host is
    // back in its loop.
    constexpr int kPackets = 520;
    constexpr int kSentBeforeTheHostReturns = 32;  // 256 KiB, well inside the inbound ring
    std::mutex mutex;
    std::condition_variable progressed;
    int sentPackets = 0;
    bool failed = false;
    std::thread burst;
    host_.on_note = [&](const Note& note) {
        if (note.type != TESS_NOTE_SERVER_DATA || burst.joinable()) return;
        burst = std::thread([&] {
            for (int i = 1; i <= kPackets; ++i) {
                const bool ok = client->Send(CMD_SERVER_DATA, Pattern(8000, i));
                std::lock_guard lock(mutex);
                ++sentPackets;
                failed = failed || !ok;
                progressed.notify_all();
                if (!ok) return;
            }
        });
        std::unique_lock lock(mutex);
        // Bounded only so that a regression fails instead of hanging.
        EXPECT_TRUE(progressed.wait_for(lock, std::chrono::seconds(60), [&] {
            return sentPackets >= kSentBeforeTheHostReturns || failed;
        }));
    };
    client->Send(CMD_SERVER_DATA, Pattern(8000, 0));
    const bool all =
        host_.WaitForType(TESS_NOTE_SERVER_DATA, kPackets + 1, std::chrono::seconds(60));
    if (burst.joinable()) burst.join();
    ASSERT_TRUE(all);
    EXPECT_FALSE(failed);
    const auto notes = host_.NotesOfType(TESS_NOTE_SERVER_DATA);
    for (int i = 0; i <= kPackets; ++i) {
        const auto expected = Pattern(8000, i);
        ASSERT_EQ(notes[i].DataLength(), 8000);
        ASSERT_EQ(std::memcmp(notes[i].Data(), expected.data(), 8000), 0) << i;
    }
}

TEST_F(LibTest, ServerCloseGivesOneNoticeAfterItsLastReplies) {
    auto client = Login(kAccount);
    client->SendRaw(Summary("bye"));
    client->Close();
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED));
    ASSERT_EQ(host_.notes().size(), 2u);
    EXPECT_EQ(host_.notes()[0].type, TESS_NOTE_LIST_SUMMARY);
    EXPECT_EQ(host_.notes()[1].Account(), kAccount);
    // The connection is gone: closing it again sends no second notice.
    EXPECT_EQ(ListFile(kAccount), -1);
    EXPECT_EQ(DisconnectServer(kAccount), 1);

    auto other = Login("0086-10-5550002");
    other->Abort();
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED, 2));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DISCONNECTED).at(1).Account(), "0086-10-5550002");
    EXPECT_EQ(host_.CountType(TESS_NOTE_DISCONNECTED), 2u);
}

TEST_F(LibTest, HostMayDisconnectFromInsideANotification) {
    auto client = Login(kAccount);
    int disconnectResult = 0;
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_LOGIN) disconnectResult = DisconnectServer(kAccount);
    };
    client->Send(CMD_LOGIN_RESULT, {0, 'n', 'o', 0});
    client->SendRaw(Summary("after"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LOGIN));
    EXPECT_EQ(disconnectResult, 1);
    EXPECT_TRUE(client->WaitClosedByPeer());
    EXPECT_EQ(ListFile(kAccount), -1);
    // Nothing else from that connection: no notice 42, no later packets.
    auto other = Login("0086-10-5550003");
    other->SendRaw(Summary("other"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY));
    EXPECT_EQ(SummaryTexts(host_), std::vector<std::string>{"other"});
    EXPECT_EQ(host_.CountType(TESS_NOTE_DISCONNECTED), 0u);
}

TEST_F(LibTest, DisconnectWhileANotificationWaitsCancelsIt) {
    auto client = Login(kAccount);
    const std::weak_ptr<Connection> connection = Registry().FindByAccount(kAccount);
    client->SendRaw(Summary("pending"));
    // The reader has posted its notification and waits; the host has not run it, and runs
    // nothing until the disconnect returned.
    ASSERT_TRUE(host_.WaitPosted(1));
    EXPECT_EQ(DisconnectServer(kAccount), 1);
    // The reader's wait ended without the host: it let go of the connection.
    EXPECT_TRUE(Eventually([&] { return connection.expired(); }));
    EXPECT_TRUE(client->WaitClosedByPeer());
    // The cancelled delivery never reaches the host.
    auto other = Login("0086-10-5550004");
    other->SendRaw(Summary("other"));
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_LIST_SUMMARY));
    EXPECT_EQ(SummaryTexts(host_), std::vector<std::string>{"other"});
}

TEST(InboundQueueTest, RingWrapsAndGrowsKeepingOrder) {
    CQueueTemplate queue(16);
    std::uint8_t out[64] = {};
    EXPECT_EQ(queue.Append(nullptr, 3), 0);
    EXPECT_EQ(queue.Append(Bytes("x").data(), 0), 0);
    ASSERT_EQ(queue.Append(Bytes("abcdefghij").data(), 10), 1);
    EXPECT_EQ(queue.Read(out, 6, true), 6u);
    // Wraps around the end of the 16-byte ring.
    ASSERT_EQ(queue.Append(Bytes("0123456789").data(), 10), 1);
    EXPECT_EQ(queue.Count(), 14u);
    std::uint8_t c = 0;
    EXPECT_TRUE(queue.PeekAt(13, c));
    EXPECT_EQ(c, '9');
    EXPECT_FALSE(queue.PeekAt(14, c));
    // Exactly full is still whole.
    ASSERT_EQ(queue.Append(Bytes("AB").data(), 2), 1);
    EXPECT_EQ(queue.Count(), 16u);
    EXPECT_EQ(queue.Capacity(), 16u);
    // One more byte doubles the ring and keeps the order.
    ASSERT_EQ(queue.Append(Bytes("Z").data(), 1), 1);
    EXPECT_EQ(queue.Capacity(), 32u);
    EXPECT_EQ(queue.Read(out, 64, false), 17u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 17), "ghij0123456789ABZ");
    // A burst larger than twice the ring grows it as often as needed.
    const auto big = Pattern(100);
    ASSERT_EQ(queue.Append(big.data(), big.size()), 1);
    EXPECT_EQ(queue.Capacity(), 128u);
    EXPECT_EQ(queue.Count(), 117u);
}

TEST(InboundQueueTest, StartsWithOneMebibyte) {
    CQueueTemplate queue;
    EXPECT_EQ(queue.Capacity(), 1u << 20);
    const auto burst = Pattern((1u << 20) + 1);
    ASSERT_EQ(queue.Append(burst.data(), burst.size()), 1);
    EXPECT_EQ(queue.Capacity(), 2u << 20);
}

}  // namespace
}  // namespace tessnet::testing
