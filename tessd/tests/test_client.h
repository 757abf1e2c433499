// Test support: a raw protocol client over a real loopback socket, and a fixture that runs a
// tessd server in this process on an ephemeral port with its own temporary data folder.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fd.h"
#include "framing.h"
#include "records.h"
#include "server.h"
#include "store.h"

namespace tessd::test {

using namespace std::chrono_literals;

class RawClient {
  public:
    // Connects to 127.0.0.1 from `from`, another loopback address when given.
    explicit RawClient(std::uint16_t port, const char* from = nullptr);
    bool connected() const { return fd_.valid(); }

    bool SendBytes(const std::uint8_t* data, std::size_t length);
    bool SendBytes(const Bytes& bytes) { return SendBytes(bytes.data(), bytes.size()); }
    bool Send(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount = 1,
              std::uint32_t pieceNumber = 1);
    // The next packet, or nothing when none arrives before the deadline or the server closed.
    std::optional<Packet> Receive(std::chrono::milliseconds timeout = 3000ms);
    // Skips packets of other commands until one of `command` arrives.
    std::optional<Packet> Expect(std::uint8_t command, std::chrono::milliseconds timeout = 3000ms);
    // True when the server closes the connection before the deadline.
    bool WaitClosed(std::chrono::milliseconds timeout = 3000ms);

    // Request helpers.
    bool Login(std::string_view account, std::string_view key);
    // Logs in and returns the status of reply 1 (-1 when no reply came).
    int LoginStatus(std::string_view account, std::string_view key);
    bool Announce(std::string_view name, std::uint32_t size, std::string_view sender);
    // Sends the file in 7848-byte chunks, as the library does.
    bool SendChunks(std::string_view name, const Bytes& content, std::string_view sender);
    bool SendName(std::uint8_t command, std::string_view name);  // 6, 10, 128

  private:
    UniqueFd fd_;
    StreamCutter cutter_;
    bool closed_ = false;
};

// Builds a whole packet for a payload.
Bytes PacketBytes(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount = 1,
                  std::uint32_t pieceNumber = 1);

// Text of a zero-terminated field at `offset` of a payload.
std::string TextAt(const Bytes& payload, std::size_t offset, std::size_t width = 1024);

Bytes RandomBytes(std::size_t n, unsigned seed);

struct Account {
    std::string number, privateKey, publicKey, name;
    char type = '0';
};

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts (or restarts) the server with the given options on the same data folder.
    void StartServer(ServerOptions options = {});
    void StopServer();
    void AddAccount(const Account& account);
    std::unique_ptr<RawClient> Connect();
    std::unique_ptr<RawClient> LoginOwner(const Account& account);
    // Uploads a whole file through a fresh sender session; returns the final reason (4 on
    // success) or -1.
    int Upload(const Account& recipient, std::string_view name, const Bytes& content,
               std::string_view sender);
    std::vector<FileEntry> ListFiles(RawClient& owner);

    std::filesystem::path root_;  // this test's own folder; DIR is root_/data
    std::filesystem::path dir_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<Server> server_;
    std::uint16_t port_ = 0;

    const Account alice_{"0086-10-1111111", "alice-private", "0086-10-1111111", "Alice"};
    const Account bob_{"0086-10-2222222", "bob-private", "bob-public", "Bob"};
    const Account carol_{"0086-21-3333333", "carol-private", "0086-21-3333333", "Carol"};
};

// Polls a condition until it holds or the deadline passes.
template <typename Predicate>
bool WaitFor(Predicate predicate, std::chrono::milliseconds timeout = 3000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

}  // namespace tessd::test
