#include "connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host_link.h"
#include "incoming.h"
#include "packet.h"
#include "registry.h"
#include "stream_cutter.h"
#include "wire_text.h"

namespace tessnet {

namespace {

std::atomic<std::int64_t> connectTimeoutMs{Connection::kConnectWait.count()};

// Connects the non-blocking socket `fd`, waiting at most `timeout` for the handshake: a host that
// drops packets would otherwise hold the caller (the host's UI thread) for the kernel's whole
// retry time. A refused port fails as soon as the refusal arrives.
bool ConnectWithin(int fd, const sockaddr_storage& address, socklen_t size,
                   std::chrono::milliseconds timeout) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLOUT, 0};
        const int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        int error = 0;
        socklen_t errorSize = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorSize) == 0 && error == 0;
    }
}

// A numeric IPv4 or IPv6 address (the host resolves names before it calls); the size of the
// filled address, 0 when the text is neither.
socklen_t NumericAddress(const char* text, int port, sockaddr_storage& out) {
    out = {};
    const auto portBytes = htons(static_cast<std::uint16_t>(port));
    sockaddr_in v4{};
    if (inet_pton(AF_INET, text, &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = portBytes;
        std::memcpy(&out, &v4, sizeof v4);
        return sizeof v4;
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, text, &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = portBytes;
        std::memcpy(&out, &v6, sizeof v6);
        return sizeof v6;
    }
    return 0;
}

}  // namespace

std::chrono::milliseconds ConnectTimeout() {
    return std::chrono::milliseconds(connectTimeoutMs.load());
}

void SetConnectTimeout(std::chrono::milliseconds timeout) {
    connectTimeoutMs = timeout.count();
}

Connection::Connection(std::string_view account) : account_(account.substr(0, 31)) {
    if (!inbound_.HasStorage())
        PostToHost([](const HostLink& link) {
            if (link.host.message_box)
                link.host.message_box(link.host.context,
                                      "没有足够内存供分配!CQueueTemplate类无法完成构造!", "错误",
                                      TESS_ICON_ERROR);
        });
}

Connection::~Connection() {
    reader_.StopWithin();
    sender_.StopWithin();
    if (fd_.valid()) shutdown(fd_.get(), SHUT_RDWR);
}

int Connection::Connect(const char* ipText, int port) {
    if (fd_.valid()) return 0;
    if (!ipText || port <= 0 || port > 65535) return 0;
    sockaddr_storage address;
    const socklen_t size = NumericAddress(ipText, port, address);
    if (size == 0) return 0;

    UniqueFd fd(socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    UniqueFd wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd.valid() || !wake.valid() || !ConnectWithin(fd.get(), address, size, ConnectTimeout()))
        return 0;
    const int one = 1;
    setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = std::move(fd);
    wake_ = std::move(wake);
    {
        std::lock_guard lock(socketMutex_);
        socketOpen_ = true;
    }
    connected_ = true;
    reader_.Start([self = shared_from_this()](std::stop_token stop) { self->ReaderLoop(stop); });
    sender_.Start([self = shared_from_this()](std::stop_token stop) { self->SenderLoop(stop); });
    return 1;
}

int Connection::SendAll(const std::uint8_t* bytes, std::size_t n) {
    if (!bytes || n == 0) return 0;
    std::lock_guard send(sendMutex_);
    if (!SocketOpen()) return -1;
    const int fd = fd_.get();  // stays open until this connection is destroyed
    std::size_t sent = 0;
    while (sent < n) {
        const ssize_t r = ::send(fd, bytes + sent, n - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r > 0) {
            sent += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A shutdown by Close ends this wait at once. A server that has taken nothing for
            // the whole wait is given up on, or the host's thread could hang here for good.
            pollfd p{fd, POLLOUT, 0};
            const int ready = poll(&p, 1, static_cast<int>(kWritableWait.count()));
            if (ready == 0) return -1;
            continue;
        }
        return -1;
    }
    return static_cast<int>(n);
}

bool Connection::SocketOpen() {
    std::lock_guard lock(socketMutex_);
    return socketOpen_;
}

bool Connection::ClaimNotice(bool quiet) {
    std::lock_guard lock(socketMutex_);
    if (quiet || !socketOpen_ || !connected_ || noticeClaimed_) return false;
    noticeClaimed_ = true;
    return true;
}

void Connection::ShutdownSocket() {
    std::lock_guard lock(socketMutex_);
    if (!socketOpen_) return;
    socketOpen_ = false;
    // Wakes a reader or sender waiting on the socket; the descriptor stays open for them.
    shutdown(fd_.get(), SHUT_RDWR);
}

void Connection::Close(bool quiet) {
    const bool notice = ClaimNotice(quiet);
    // Stops first, so neither thread takes the shut-down socket for the server's close.
    reader_.RequestStop();
    sender_.RequestStop();
    ShutdownSocket();
    reader_.StopWithin();
    sender_.StopWithin();
    if (notice) NotifyHere(TESS_NOTE_DISCONNECTED, account_.c_str());
    inbound_.Reset();
    uploads_.Clear();
    configFiles_.Clear();
}

void Connection::EndAfterConfiguration(PendingNotice& notice) {
    if (ClaimNotice(false))
        notice.Deliver(TESS_NOTE_DISCONNECTED, account_.c_str(), account_.size() + 1);
    ShutdownSocket();
    sender_.RequestStop();
    uploads_.Clear();
}

void Connection::SetLoggedIn() {
    loggedIn_ = true;
    uploads_.AllowSending();
}

Connection::Receipt Connection::Receive(const std::stop_token& stop) {
    std::uint8_t buffer[kReceiptSize];
    for (;;) {
        if (stop.stop_requested()) return Receipt::Stopped;
        const ssize_t r = recv(fd_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (r > 0) {
            inbound_.Append(buffer, static_cast<std::size_t>(r));
            return Receipt::Data;
        }
        if (r == 0) return Receipt::Closed;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Nothing to do until the server sends or the stop comes: no time limit, so an idle
            // connection costs no wake-ups.
            pollfd p[2] = {{fd_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
            if (poll(p, 2, -1) < 0 && errno != EINTR) return Receipt::Closed;
            continue;
        }
        if (errno != ECONNRESET && errno != EPIPE && errno != ENOTCONN && SocketOpen())
            PostToHost([](const HostLink& link) {
                if (link.host.message_box)
                    link.host.message_box(link.host.context, "读数据出错!", "严重错误",
                                          TESS_ICON_WARNING);
            });
        return Receipt::Closed;
    }
}

void Connection::ReaderLoop(std::stop_token stop) {
    // The stop wakes the reader's poll.
    const std::stop_callback wake(stop, [fd = wake_.get()] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
    });
    auto header = std::make_unique_for_overwrite<std::uint8_t[]>(kHeaderSize);
    auto body = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxBodyLength);
    auto payload = std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize);
    PendingNotice notice(stop);
    ChunkWriter writer;
    ReaderContext context{*this, stop, notice, writer};
    for (;;) {
        // Every complete packet first, so every byte that came before the end of the stream is
        // handled before the close is reported.
        const bool goOn =
            CutPackets(inbound_, header.get(), body.get(), [&](const PacketHeader& h) {
                std::uint16_t length = 0;
                if (ParsePacket(header.get(), body.get(), payload.get(), kWorkAreaSize, length))
                    HandlePacket(context, h, payload.get(), length);
                return !stop.stop_requested() && !context.ended;
            });
        if (!goOn) return;
        const Receipt receipt = Receive(stop);
        if (receipt == Receipt::Data) continue;
        if (receipt == Receipt::Stopped || !notice.Await()) return;
        // The server's close is handled on the host's thread: registry removal, notice 42.
        PostToHost([weak = weak_from_this()](const HostLink&) {
            if (auto connection = weak.lock()) RemoveClosedByServer(connection);
        });
        return;
    }
}

void BuildProgress(std::uint8_t* record, std::uint8_t direction, std::string_view fileName,
                   std::string_view account, std::uint32_t fileSize, double percentValue,
                   std::uint16_t percent) {
    std::memset(record, 0, TESS_PROGRESS_SIZE);
    record[TESS_PROGRESS_OFF_DIRECTION] = direction;
    PutField(record + TESS_PROGRESS_OFF_FILE_NAME, TESS_NAME_SIZE, fileName);
    PutField(record + TESS_PROGRESS_OFF_ACCOUNT, TESS_ACCOUNT_SIZE, account);
    PutU32(record + TESS_PROGRESS_OFF_FILE_SIZE, fileSize);
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", percentValue);
    PutField(record + TESS_PROGRESS_OFF_PERCENT_TEXT, 32, text);
    PutU16(record + TESS_PROGRESS_OFF_PERCENT, percent);
}

}  // namespace tessnet
