#include "fake_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "codec.h"
#include "tessnet/tessnet.h"
#include "wire_text.h"

namespace tessnet::testing {

std::vector<std::uint8_t> MakePacket(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                                     std::uint32_t pieceCount, std::uint32_t pieceNumber) {
    std::vector<std::uint8_t> out(kWorkAreaSize + kHeaderSize);
    std::uint16_t length = 0;
    if (payload.empty()) {
        PacketHeader header;
        header.command = command;
        header.pieceCount = pieceCount;
        header.pieceNumber = pieceNumber;
        EncodeHeader(header, out.data());
        out.resize(kHeaderSize);
        return out;
    }
    if (!BuildPacket(payload.data(), static_cast<std::uint16_t>(payload.size()), command, 1,
                     pieceCount, pieceNumber, out.data(), static_cast<std::uint16_t>(kWorkAreaSize),
                     length))
        return {};
    out.resize(length);
    return out;
}

std::vector<std::uint8_t> MakeChunk(const std::string& name, std::uint32_t fileSize,
                                    std::uint32_t count, std::uint32_t number, std::uint32_t offset,
                                    const std::uint8_t* data, std::uint32_t length,
                                    const std::string& sender) {
    std::vector<std::uint8_t> body(TESS_CHUNK_HEAD_SIZE + length);
    PutField(body.data() + TESS_CHUNK_OFF_FILE_NAME, TESS_NAME_SIZE, name);
    PutU32(body.data() + TESS_CHUNK_OFF_FILE_SIZE, fileSize);
    PutField(body.data() + TESS_CHUNK_OFF_SENDER, TESS_ACCOUNT_SIZE, sender);
    PutU32(body.data() + TESS_CHUNK_OFF_CHUNK_COUNT, count);
    PutU32(body.data() + TESS_CHUNK_OFF_CHUNK_NUMBER, number);
    PutU32(body.data() + TESS_CHUNK_OFF_FILE_OFFSET, offset);
    PutU32(body.data() + TESS_CHUNK_OFF_CHUNK_LENGTH, length);
    if (length) std::memcpy(body.data() + TESS_CHUNK_HEAD_SIZE, data, length);
    return body;
}

FakeClient::FakeClient(UniqueFd fd) : fd_(std::move(fd)) {}

FakeClient::~FakeClient() {
    Pause(false);
    shutdown(fd_.get(), SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
}

void FakeClient::Start(std::function<void(FakeClient&, const ReceivedPacket&)> handler) {
    thread_ = std::thread([this, handler = std::move(handler)] { Run(handler); });
}

void FakeClient::Run(std::function<void(FakeClient&, const ReceivedPacket&)> handler) {
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> buffer(65536);
    std::vector<std::uint8_t> payload(kWorkAreaSize);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return !paused_; });
        }
        const ssize_t r = recv(fd_.get(), buffer.data(), buffer.size(), 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        stream.insert(stream.end(), buffer.begin(), buffer.begin() + r);
        std::size_t at = 0;
        while (stream.size() - at >= kHeaderSize) {
            ReceivedPacket packet;
            if (!DecodeHeader(stream.data() + at, packet.header)) {
                ++at;  // the library never sends garbage; resynchronise anyway
                continue;
            }
            const std::size_t total = kHeaderSize + packet.header.bodyLength;
            if (stream.size() - at < total) break;
            packet.body.assign(stream.begin() + at + kHeaderSize, stream.begin() + at + total);
            const bool defer = deferChunks_ && packet.header.command == CMD_CHUNK &&
                               packet.header.pieceNumber <= packet.header.pieceCount;
            if (!defer) Expand(stream.data() + at, packet, payload);
            at += total;
            // Recorded before the handler answers, so a test that sees the answer sees the packet.
            {
                std::lock_guard lock(mutex_);
                ++packetCount_;
                if (recording_) packets_.push_back(packet);
                cv_.notify_all();
            }
            if (handler) handler(*this, packet);
        }
        stream.erase(stream.begin(), stream.begin() + at);
    }
    std::lock_guard lock(mutex_);
    peerClosed_ = true;
    cv_.notify_all();
}

void FakeClient::Expand(const std::uint8_t* header, ReceivedPacket& packet,
                        std::vector<std::uint8_t>& workArea) {
    std::uint16_t length = 0;
    packet.parsed = ParsePacket(header, packet.body.data(), workArea.data(), kWorkAreaSize, length);
    packet.payload.assign(workArea.begin(), workArea.begin() + length);
}

bool FakeClient::Parse(ReceivedPacket& packet) {
    std::uint8_t header[kHeaderSize];
    EncodeHeader(packet.header, header);
    std::vector<std::uint8_t> workArea(kWorkAreaSize);
    Expand(header, packet, workArea);
    return packet.parsed;
}

bool FakeClient::Send(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                      std::uint32_t pieceCount, std::uint32_t pieceNumber) {
    const auto packet = MakePacket(command, payload, pieceCount, pieceNumber);
    return !packet.empty() && SendRaw(packet);
}

bool FakeClient::SendRaw(const std::uint8_t* bytes, std::size_t n) {
    std::lock_guard lock(sendMutex_);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::send(fd_.get(), bytes + done, n - done, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

void FakeClient::Close() {
    shutdown(fd_.get(), SHUT_WR);
}

void FakeClient::Abort() {
    linger lg{1, 0};
    setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    shutdown(fd_.get(), SHUT_RDWR);
}

void FakeClient::Pause(bool on) {
    std::lock_guard lock(mutex_);
    paused_ = on;
    cv_.notify_all();
}

std::vector<ReceivedPacket> FakeClient::Packets() {
    std::lock_guard lock(mutex_);
    return packets_;
}

std::size_t FakeClient::PacketCount() {
    std::lock_guard lock(mutex_);
    return packetCount_;
}

bool FakeClient::WaitForPackets(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return packetCount_ >= n; });
}

bool FakeClient::WaitClosedByPeer(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return peerClosed_; });
}

FakeServer::FakeServer() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int one = 1;
    setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_.get(), 512);
    socklen_t size = sizeof address;
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { Accept(); });
}

FakeServer::~FakeServer() {
    stopping_ = true;
    shutdown(listener_.get(), SHUT_RDWR);
    acceptThread_.join();
    std::vector<std::shared_ptr<FakeClient>> clients;
    {
        std::lock_guard lock(mutex_);
        clients.swap(clients_);
    }
    clients.clear();
}

void FakeServer::Accept() {
    for (;;) {
        const int fd = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        if (stopping_) {
            ::close(fd);
            return;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto client = std::make_shared<FakeClient>(UniqueFd(fd));
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            handler = handler_;
            clients_.push_back(client);
            cv_.notify_all();
        }
        client->Start(handler);
    }
}

void FakeServer::SetHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::size_t FakeServer::ClientCount() {
    std::lock_guard lock(mutex_);
    return clients_.size();
}

std::shared_ptr<FakeClient> FakeServer::Client(std::size_t index) {
    std::lock_guard lock(mutex_);
    return index < clients_.size() ? clients_[index] : nullptr;
}

bool FakeServer::WaitForClients(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return clients_.size() >= n; });
}

void FakeServer::ServeUploads(bool keepFiles, bool acceptLogin) {
    SetHandler(UploadHandler(keepFiles, acceptLogin));
}

FakeServer::Handler FakeServer::UploadHandler(bool keepFiles, bool acceptLogin) {
    return [this, keepFiles, acceptLogin](FakeClient& client, const ReceivedPacket& packet) {
        const auto& b = packet.payload;
        if (packet.header.command == CMD_LOGIN) {
            if (acceptLogin) client.Send(CMD_LOGIN_RESULT, {1, 'o', 'k', 0});
        } else if (packet.header.command == CMD_ANNOUNCE && b.size() >= TESS_ANNOUNCE_SIZE) {
            std::vector<std::uint8_t> answer(264, 0);
            answer[0] = 1;
            std::memcpy(answer.data() + 2, b.data(), TESS_NAME_SIZE);
            client.Send(CMD_ANNOUNCE_ANSWER, answer);
        } else if (packet.header.command == CMD_CHUNK && b.size() >= TESS_CHUNK_HEAD_SIZE) {
            const std::string name(FieldText(b.data(), TESS_NAME_SIZE));
            const std::uint32_t length = GetU32(b.data() + TESS_CHUNK_OFF_CHUNK_LENGTH);
            const std::uint32_t offset = GetU32(b.data() + TESS_CHUNK_OFF_FILE_OFFSET);
            const std::uint32_t number = GetU32(b.data() + TESS_CHUNK_OFF_CHUNK_NUMBER);
            const std::uint32_t count = GetU32(b.data() + TESS_CHUNK_OFF_CHUNK_COUNT);
            const std::uint8_t* data = b.data() + TESS_CHUNK_HEAD_SIZE;
            bool complete = false;
            {
                std::lock_guard lock(mutex_);
                auto& file = uploads_[name];
                if (number == 1) file = UploadedFile{};
                if (keepFiles) {
                    if (file.bytes.size() < offset + length) file.bytes.resize(offset + length);
                    if (length) std::memcpy(file.bytes.data() + offset, data, length);
                }
                file.crc = Crc32Update(file.crc, data, length);
                file.size += length;
                ++file.chunks;
                file.complete = complete = number == count;
                cv_.notify_all();
            }
            if (complete) {
                std::vector<std::uint8_t> answer(264 + 8, 0);
                answer[0] = 1;
                answer[1] = 4;
                PutField(answer.data() + 2, TESS_NAME_SIZE, name);
                std::memcpy(answer.data() + 263, "done", 4);
                client.Send(CMD_ANNOUNCE_ANSWER, answer);
            }
        }
    };
}

std::map<std::string, FakeServer::UploadedFile> FakeServer::Uploads() {
    std::lock_guard lock(mutex_);
    return uploads_;
}

bool FakeServer::UploadComplete(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto it = uploads_.find(name);
    return it != uploads_.end() && it->second.complete;
}

}  // namespace tessnet::testing
