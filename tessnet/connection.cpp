#include "connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host_link.h"
#include "incoming.h"
#include "log.h"
#include "packet.h"
#include "registry.h"
#include "stream_cutter.h"
#include "wire_text.h"

namespace tessnet {

namespace {

std::atomic<std::int64_t> connectTimeoutMs{Connection::kConnectWait.count()};

// The pending error of a socket whose connect has settled (0: connected).
int SocketError(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
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

Connection::Connection(std::string_view account)
    : account_(account.substr(0, 31)), log_(account_), downloads_(log_) {
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
    peer_ = std::string(ipText) + ":" + std::to_string(port);

    UniqueFd fd(socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        log_.Write("no socket for a connection to " + peer_, {}, errno);
        return 0;
    }
    // Never waits: the reader completes the connect. A refusal the system knows at once (a
    // closed port of this machine) is reported at once.
    int error = 0;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), size) != 0 &&
        errno != EINPROGRESS) {
        error = errno;
    } else {
        pollfd p{fd.get(), POLLOUT, 0};
        if (poll(&p, 1, 0) == 1) error = SocketError(fd.get());
    }
    if (error != 0) {
        log_.Write("connect to " + peer_ + " failed", {}, error);
        return 0;
    }
    const int one = 1;
    setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = std::move(fd);
    connectBy_ = std::chrono::steady_clock::now() + ConnectTimeout();
    {
        std::lock_guard lock(socketMutex_);
        socketOpen_ = true;
    }
    reader_.Start([self = shared_from_this()](std::stop_token stop) { self->ReaderLoop(stop); });
    sender_.Start([self = shared_from_this()](std::stop_token stop) { self->SenderLoop(stop); });
    return 1;
}

bool Connection::CompleteConnect(const std::stop_token& stop) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            connectBy_ - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            log_.Write("connect to " + peer_ + " not answered within the bound", {}, ETIMEDOUT);
            return false;
        }
        // Close's shutdown ends this wait too.
        pollfd p{fd_.get(), POLLOUT, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (stop.stop_requested()) return false;
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        if (const int error = SocketError(fd_.get()); error != 0) {
            log_.Write("connect to " + peer_ + " failed", {}, error);
            return false;
        }
        // From now on the reader waits in recv itself; the sender never waits in a send.
        fcntl(fd_.get(), F_SETFL, fcntl(fd_.get(), F_GETFL) & ~O_NONBLOCK);
        uploads_.SetConnected();
        return true;
    }
}

void Connection::Send(std::vector<std::uint8_t> packet) {
    uploads_.Push(std::move(packet));
}

int Connection::SendAll(const std::uint8_t* bytes, std::size_t n) {
    if (!SocketOpen()) return 0;
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
            // No time limit: giving a packet up halfway would break the stream, and a shutdown
            // by Close ends this wait at once.
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, -1);
            continue;
        }
        const int error = errno;
        if (!SocketOpen()) return 0;
        errno = error;
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
    if (quiet || !socketOpen_ || noticeClaimed_) return false;
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
    uploads_.Clear();
    downloads_.Clear();
    configFiles_.Clear();
    log_.Summarize();
}

void Connection::EndAfterConfiguration(PendingNotice& notice) {
    if (ClaimNotice(false))
        notice.Deliver(TESS_NOTE_DISCONNECTED, account_.c_str(), account_.size() + 1);
    ShutdownSocket();
    sender_.RequestStop();
    uploads_.Clear();
}

Connection::Receipt Connection::Receive(const std::stop_token& stop) {
    std::uint8_t buffer[kReceiptSize];
    for (;;) {
        if (stop.stop_requested()) return Receipt::Stopped;
        // Waits until the server sends or closes, without a time limit, so an idle connection
        // costs no wake-ups; a stop always comes with Close's shutdown, which ends the wait.
        const ssize_t r = recv(fd_.get(), buffer, sizeof buffer, 0);
        if (stop.stop_requested()) return Receipt::Stopped;
        if (r > 0) {
            inbound_.Append(buffer, static_cast<std::size_t>(r));
            return Receipt::Data;
        }
        if (r == 0) return Receipt::Closed;
        if (errno == EINTR) continue;
        if (errno != ECONNRESET && errno != EPIPE && errno != ENOTCONN && SocketOpen()) {
            log_.Write("receive failed", {}, errno);
            PostToHost([](const HostLink& link) {
                if (link.host.message_box)
                    link.host.message_box(link.host.context, "读数据出错!", "严重错误",
                                          TESS_ICON_WARNING);
            });
        }
        return Receipt::Closed;
    }
}

void Connection::ReaderLoop(std::stop_token stop) {
    auto header = std::make_unique_for_overwrite<std::uint8_t[]>(kHeaderSize);
    auto body = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxBodyLength);
    auto payload = std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize);
    PendingNotice notice(stop);
    ReaderContext context{*this, stop, notice};
    if (!CompleteConnect(stop)) {
        // Removed on the host's thread, which hears notice 42 for it.
        if (!stop.stop_requested())
            PostToHost([weak = weak_from_this()](const HostLink&) {
                if (auto connection = weak.lock()) RemoveEndedConnection(connection);
            });
        return;
    }
    for (;;) {
        // Every complete packet first, so every byte that came before the end of the stream is
        // handled before the close is reported.
        const bool goOn =
            CutPackets(inbound_, header.get(), body.get(), [&](const PacketHeader& h) {
                std::uint16_t length = 0;
                if (ParsePacket(header.get(), body.get(), payload.get(), kWorkAreaSize, length))
                    HandlePacket(context, h, payload.get(), length);
                else
                    log_.Write("packet with a damaged body dropped", {}, 0,
                               " (command " + std::to_string(h.command) + ")");
                return !stop.stop_requested() && !context.ended;
            });
        if (!goOn) return;
        const Receipt receipt = Receive(stop);
        if (receipt == Receipt::Data) continue;
        if (receipt == Receipt::Stopped || !ReportUnfinishedDownloads(context)) return;
        // The server's close is handled on the host's thread: registry removal, notice 42.
        PostToHost([weak = weak_from_this()](const HostLink&) {
            if (auto connection = weak.lock()) RemoveEndedConnection(connection);
        });
        return;
    }
}

}  // namespace tessnet
