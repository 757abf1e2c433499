#include "test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <random>
#include <thread>

#include "packet.h"

namespace tessd::test {

using namespace tessnet;
namespace fs = std::filesystem;

RawClient::RawClient(std::uint16_t port, const char* from) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (from) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from, &source.sin_addr) != 1 ||
            ::bind(fd.get(), reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)
            return;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd.valid() && ::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        fd_ = std::move(fd);
}

bool RawClient::SendBytes(const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::send(fd_.get(), data, length, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

Bytes PacketBytes(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount,
                  std::uint32_t pieceNumber) {
    Bytes out(kWorkAreaSize);
    std::uint16_t length = 0;
    if (!BuildPacket(payload.data(), static_cast<std::uint16_t>(payload.size()), command, 1,
                     pieceCount, pieceNumber, out.data(), static_cast<std::uint16_t>(out.size()),
                     length))
        return {};
    out.resize(length);
    return out;
}

bool RawClient::Send(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount,
                     std::uint32_t pieceNumber) {
    const Bytes packet = PacketBytes(command, payload, pieceCount, pieceNumber);
    return !packet.empty() && SendBytes(packet);
}

std::optional<Packet> RawClient::Receive(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Packet packet;
    while (!cutter_.Next(packet)) {
        if (closed_) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd pfd{fd_.get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
        std::uint8_t buffer[16384];
        const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed_ = true;
            continue;
        }
        cutter_.Append(buffer, static_cast<std::size_t>(n));
    }
    return packet;
}

std::optional<Packet> RawClient::Expect(std::uint8_t command, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto packet = Receive(left);
        if (!packet) return std::nullopt;
        if (packet->header.command == command) return packet;
    }
}

bool RawClient::WaitClosed(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!closed_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        Receive(left);
    }
    return true;
}

bool RawClient::Login(std::string_view account, std::string_view key) {
    return Send(CMD_LOGIN, LoginRequest::Encode(account, key));
}

int RawClient::LoginStatus(std::string_view account, std::string_view key) {
    if (!Login(account, key)) return -1;
    auto reply = Expect(CMD_LOGIN_RESULT);
    return reply && !reply->payload.empty() ? reply->payload[0] : -1;
}

bool RawClient::Announce(std::string_view name, std::uint32_t size, std::string_view sender) {
    Announcement a{std::string(name), size, std::string(sender)};
    return Send(CMD_ANNOUNCE, a.Encode());
}

bool RawClient::SendChunks(std::string_view name, const Bytes& content, std::string_view sender) {
    ChunkHead head;
    head.fileName = name;
    head.fileSize = static_cast<std::uint32_t>(content.size());
    head.sender = sender;
    head.chunkCount = static_cast<std::uint32_t>((content.size() + kChunkData - 1) / kChunkData);
    for (std::uint32_t k = 1; k <= head.chunkCount; ++k) {
        head.chunkNumber = k;
        head.fileOffset = (k - 1) * static_cast<std::uint32_t>(kChunkData);
        const std::size_t n = std::min(kChunkData, content.size() - head.fileOffset);
        if (!Send(CMD_CHUNK, head.Encode(content.data() + head.fileOffset, n), head.chunkCount,
                  k + 1))
            return false;
    }
    return true;
}

bool RawClient::SendName(std::uint8_t command, std::string_view name) {
    Bytes payload(kNameWidth, 0);
    WriteText(payload.data(), kNameWidth, name);
    return Send(command, payload);
}

std::string TextAt(const Bytes& payload, std::size_t offset, std::size_t width) {
    if (offset >= payload.size()) return {};
    const Bytes padded = PaddedCopy(payload.data() + offset, payload.size() - offset, width);
    return ReadText(padded.data(), width);
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

void ServerTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / (std::string("tessd-") + info->test_suite_name() + "-" +
                                         info->name() + "-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    dir_ = root_ / "data";
    std::string error;
    store_ = Store::Open(dir_, error);
    ASSERT_TRUE(store_) << error;
    for (const Account& a : {alice_, bob_, carol_}) AddAccount(a);
    StartServer();
}

void ServerTest::TearDown() {
    StopServer();
    store_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void ServerTest::StartServer(ServerOptions options) {
    StopServer();
    options.port = 0;
    server_ = std::make_unique<Server>(*store_, std::move(options));
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    port_ = server_->Port();
}

void ServerTest::StopServer() {
    if (server_) server_->Stop();
    server_.reset();
}

void ServerTest::AddAccount(const Account& a) {
    UserProfile p;
    p.SetNumber(a.number);
    p.SetPrivateKey(a.privateKey);
    p.SetPublicKey(a.publicKey);
    p.SetName(a.name);
    p.SetUserType(a.type);
    ASSERT_TRUE(store_->CreateAccount(p));
}

std::unique_ptr<RawClient> ServerTest::Connect() {
    auto c = std::make_unique<RawClient>(port_);
    EXPECT_TRUE(c->connected());
    return c;
}

std::unique_ptr<RawClient> ServerTest::LoginOwner(const Account& account) {
    auto c = Connect();
    EXPECT_EQ(c->LoginStatus(account.number, account.privateKey), 1);
    // The own profile always follows an accepted owner login.
    EXPECT_TRUE(c->Expect(CMD_OWN_PROFILE));
    return c;
}

int ServerTest::Upload(const Account& recipient, std::string_view name, const Bytes& content,
                       std::string_view sender) {
    auto c = Connect();
    if (c->LoginStatus(recipient.number, recipient.publicKey) != 1) return -1;
    c->Announce(name, static_cast<std::uint32_t>(content.size()), sender);
    auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    if (!answer || answer->payload.size() < 2) return -1;
    if (answer->payload[1] != 0 && answer->payload[1] != 3) return answer->payload[1];
    c->SendChunks(name, content, sender);
    answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    return answer && answer->payload.size() >= 2 ? answer->payload[1] : -1;
}

std::vector<FileEntry> ServerTest::ListFiles(RawClient& owner) {
    std::vector<FileEntry> entries;
    const Bytes list{'l', 'i', 's', 't', ' ', 'f', 'i', 'l', 'e'};
    if (!owner.Send(CMD_LIST, list)) return entries;
    while (auto p = owner.Receive()) {
        if (p->header.command == CMD_LIST_SUMMARY) break;
        if (p->header.command != CMD_FILE_ENTRIES) continue;
        for (std::size_t at = 0; at + FileEntry::kSize <= p->payload.size(); at += FileEntry::kSize)
            entries.push_back(FileEntry::Decode(p->payload.data() + at));
    }
    return entries;
}

}  // namespace tessd::test
