// The shared library as a host loads it: only the sixteen exports, driven end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "event_loop_host.h"
#include "fake_server.h"
#include "tessnet/tessnet.h"

namespace tessnet::testing {
namespace {

TEST(SharedLibraryTest, LoginRequestReplyAndDisconnect) {
    EventLoopHost host;
    FakeServer server;
    server.ServeUploads();
    char folder[] = "/tmp/tessnet-shared-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(InitFtpDll(host.descriptor(), 2048, folder), 1);
    ASSERT_EQ(ConnectServer("127.0.0.1", server.port(), "0086-10-1", "key"), 1);
    ASSERT_TRUE(host.WaitForType(TESS_NOTE_LOGIN));
    EXPECT_EQ(host.NotesOfType(TESS_NOTE_LOGIN).at(0).Status(), 1);
    EXPECT_EQ(ListFile("0086-10-1"), 1);
    auto client = server.Client(0);
    ASSERT_TRUE(host.RunUntil([&] { return client->PacketCount() >= 2; }));
    client->Send(CMD_LIST_SUMMARY, {1, 'o', 'k', 0});
    ASSERT_TRUE(host.WaitForType(TESS_NOTE_LIST_SUMMARY));
    EXPECT_EQ(host.NotesOfType(TESS_NOTE_LIST_SUMMARY).at(0).DataText(0), "ok");
    EXPECT_EQ(DisconnectServer("0086-10-1"), 1);
    EXPECT_EQ(ListFile("0086-10-1"), -1);
    EXPECT_EQ(FreeFtpDll(), 1);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tessnet::testing
