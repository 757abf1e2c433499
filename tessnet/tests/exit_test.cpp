// The client's own way out: FreeFtpDll with connections still open and transfers running, then
// the host is destroyed and main returns. No library thread may reach the host or the
// connections' state after FreeFtpDll (AddressSanitizer and ThreadSanitizer watch these runs).
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "lib_fixture.h"
#include "worker.h"

namespace tessnet::testing {
namespace {

TEST(ExitTest, FreeWithOpenConnectionsAndRunningTransfersLeavesNothingBehind) {
    char pattern[] = "/tmp/tessnet-exit-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path root = pattern;
    auto host = std::make_unique<EventLoopHost>();
    host->set_record_progress(false);
    FakeServer uploads;
    uploads.ServeUploads(false);
    FakeServer downloads;
    ASSERT_EQ(InitFtpDll(host->descriptor(), kMessage, (root / "dl").c_str()), 1);

    // An upload far larger than the test lets finish.
    const auto big = Pattern(8u << 20, 3);
    std::ofstream(root / "big.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(big.data()), static_cast<std::streamsize>(big.size()));
    ASSERT_EQ(ConnectServer("127.0.0.1", uploads.port(), "0086-10-7000001", "key"), 1);
    ASSERT_EQ(UploadFile("0086-10-7000001", "0086-10-7000001", (root / "big.bin").c_str()), 1);

    // Downloads of one file, again and again, that the server keeps sending from its own thread
    // until the socket dies.
    ASSERT_EQ(ConnectServer("127.0.0.1", downloads.port(), "0086-10-7000002", "key"), 1);
    ASSERT_TRUE(downloads.WaitForClients(1));
    const auto client = downloads.Client(0);
    std::atomic<bool> streaming{true};
    std::thread stream([&] {
        const auto data = Pattern(7000, 5);
        for (std::uint32_t k = 0; streaming; k = (k + 1) % 20) {
            const auto chunk =
                MakeChunk("0086-20-1@again.bin", 20 * 7000, 20, k + 1, k * 7000, data.data(), 7000);
            if (!client->Send(CMD_CHUNK, chunk)) return;
        }
    });
    // A plain connection with nothing to do.
    ASSERT_EQ(ConnectServer("127.0.0.1", downloads.port(), "0086-10-7000003", nullptr), 1);

    // Both transfers are under way: progress of each has reached the host.
    ASSERT_TRUE(host->RunUntil([&] { return host->completed_count() >= 2; }));
    ASSERT_TRUE(host->RunUntil([&] { return host->progress_count() >= 60; }));
    ASSERT_GT(Worker::Running(), 0u);

    EXPECT_EQ(FreeFtpDll(), 1);
    host.reset();  // the host returns from main
    // Every library thread ends on its own; none reached the destroyed host meanwhile.
    EXPECT_TRUE(Eventually([] { return Worker::Running() == 0; }));
    streaming = false;
    client->Abort();
    stream.join();
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tessnet::testing
