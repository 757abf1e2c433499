// A server that sends far more than the socket buffers hold while the host is busy: one
// notification per packet, so this runs long under the sanitizers and has its own time bound.
#include <atomic>
#include <cstring>
#include <thread>

#include "connection.h"
#include "inbound_queue.h"
#include "lib_fixture.h"
#include "registry.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-5550001";

TEST_F(LibTest, AFloodIsHeldBackByTcpAndNothingIsLost) {
    auto client = Login(kAccount);
    // Far more than the socket buffers hold: while the reader waits in a notification it takes
    // nothing from the socket, so the server's sends block, and afterwards every packet still
    // arrives in order.
#ifdef TESS_SANITIZED
    constexpr int kPackets = 2500;  // about 19 MiB: still far beyond the socket buffers
#else
    constexpr int kPackets = 5000;  // about 38 MiB
#endif
    std::atomic<bool> sent{false};
    std::thread flood;
    std::uint32_t capacity = 0;
    host_.on_note = [&](const Note& note) {
        if (note.type != TESS_NOTE_SERVER_DATA || flood.joinable()) return;
        flood = std::thread([&] {
            for (int i = 1; i <= kPackets; ++i) client->Send(CMD_SERVER_DATA, Pattern(8000, i));
            sent = true;
        });
        // A bounded wait for something that must not happen.
        EXPECT_FALSE(host_.RunUntil([&] { return sent.load(); }, std::chrono::seconds(3)));
        capacity = Registry().FindByAccount(kAccount)->inbound().Capacity();
    };
    client->Send(CMD_SERVER_DATA, Pattern(8000, 0));
    const bool all =
        host_.WaitForType(TESS_NOTE_SERVER_DATA, kPackets + 1, std::chrono::seconds(180));
    if (flood.joinable()) flood.join();
    ASSERT_TRUE(all);
    // The reader takes bytes only as it handles them: its ring never had to grow.
    EXPECT_EQ(capacity, CQueueTemplate::kInitialCapacity);
    const auto notes = host_.NotesOfType(TESS_NOTE_SERVER_DATA);
    for (int i = 0; i <= kPackets; i += 97) {
        const auto expected = Pattern(8000, i);
        ASSERT_EQ(std::memcmp(notes[i].Data(), expected.data(), 8000), 0) << i;
    }
}

}  // namespace
}  // namespace tessnet::testing
