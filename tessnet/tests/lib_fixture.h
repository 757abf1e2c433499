// Shared set-up for the library tests: an initialised library on an event-loop host, a fake
// server, and a temporary folder for downloads and files to upload.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "codec.h"
#include "event_loop_host.h"
#include "fake_server.h"
#include "host_link.h"
#include "packet.h"
#include "tessnet/tessnet.h"

namespace tessnet::testing {

inline constexpr int kMessage = 2048;

// One host for the whole test program: a library thread that was left to finish after its
// connection closed may still post a (cancelled, harmless) call after a test ended.
inline EventLoopHost& SharedHost() {
    static EventLoopHost host;
    return host;
}

class LibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.Reset();
        char pattern[] = "/tmp/tessnet-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        downloads_ = root_ / "dl" / "tessan";
        ASSERT_EQ(InitFtpDll(host_.descriptor(), kMessage, downloads_.c_str()), 1);
    }

    void TearDown() override {
        host_.on_note = nullptr;
        host_.on_box = nullptr;
        for (const auto& account : accounts_) DisconnectServer(account.c_str());
        FreeFtpDll();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // Logs `account` in to the fake server; returns the server's side once the login arrived.
    std::shared_ptr<FakeClient> Login(const std::string& account, const char* password = "key") {
        const std::size_t index = server_.ClientCount();
        accounts_.push_back(account);
        EXPECT_EQ(ConnectServer("127.0.0.1", server_.port(), account.c_str(), password), 1);
        EXPECT_TRUE(server_.WaitForClients(index + 1));
        auto client = server_.Client(index);
        if (client && password) {
            EXPECT_TRUE(client->WaitForPackets(1));
        }
        return client;
    }

    // Logs in and lets the server accept the login (the sender thread may then upload).
    std::shared_ptr<FakeClient> LoginAccepted(const std::string& account) {
        auto client = Login(account);
        client->Send(CMD_LOGIN_RESULT, {1, 'o', 'k', 0});
        EXPECT_TRUE(host_.WaitForType(TESS_NOTE_LOGIN));
        return client;
    }

    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = root_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Waits on the host for `n` packets at the server (the host keeps delivering meanwhile).
    bool WaitPackets(FakeClient& client, std::size_t n) {
        return host_.RunUntil([&] { return client.PacketCount() >= n; });
    }

    EventLoopHost& host_ = SharedHost();
    FakeServer server_;
    std::filesystem::path root_;
    std::filesystem::path downloads_;
    std::vector<std::string> accounts_;
};

// Waits (at most 10 s) until `done()` holds, looking every millisecond; for conditions that
// nothing signals, such as a library thread having started to wait for the host.
inline bool Eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Inside a notification: the library thread that sent it has prepared its next step and waits
// for the host, so it cannot act ahead of the host any more.
inline bool SenderWaitsForTheHost() {
    return Eventually([] { return ThreadsWaitingForHost() >= 1; });
}

// Sends a list summary and waits for it: everything the server sent before has been handled.
inline void Sync(EventLoopHost& host, FakeClient& client) {
    const std::size_t before = host.CountType(TESS_NOTE_LIST_SUMMARY);
    client.Send(CMD_LIST_SUMMARY, {1, 0});
    ASSERT_TRUE(host.WaitForType(TESS_NOTE_LIST_SUMMARY, before + 1));
}

// The names in `folder`, sorted; none when it does not exist.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether a log line so far contains `text`.
inline bool Logged(EventLoopHost& host, std::string_view text) {
    for (const auto& line : host.LogLines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

inline std::vector<std::uint8_t> Pattern(std::size_t n, unsigned seed = 1) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

}  // namespace tessnet::testing
