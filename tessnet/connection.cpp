#include "connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "incoming.h"
#include "packet.h"
#include "poller.h"
#include "registry.h"
#include "stream_cutter.h"
#include "text.h"

namespace tessnet {

namespace {

std::atomic<std::int64_t> connectTimeoutMs{Connection::kConnectWait.count()};

// Connects the non-blocking socket `fd`, waiting at most `timeout` for the handshake: a host that
// drops packets would otherwise hold the caller (the host's UI thread) for the kernel's whole
// retry time. A refused port fails as soon as the refusal arrives.
bool ConnectWithin(int fd, const sockaddr_in& address, std::chrono::milliseconds timeout) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
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
        socklen_t size = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
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
        ShowBox(nullptr, "没有足够内存供分配!CQueueTemplate类无法完成构造!", "错误",
                TESS_ICON_ERROR);
    uploads_.SetWaker([slot = sender_.get()] { slot->Signal(); });
}

Connection::~Connection() {
    StopThreads();
    std::lock_guard lock(socketMutex_);
    if (poller_) poller_->Remove(fd_.get(), pollId_);
    if (fd_.valid()) shutdown(fd_.get(), SHUT_RDWR);
}

int Connection::Connect(const char* ipText, int port) {
    {
        std::lock_guard lock(socketMutex_);
        if (fd_.valid()) return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (!ipText || port <= 0 || port > 65535 || inet_pton(AF_INET, ipText, &address.sin_addr) != 1)
        return 0;
    address.sin_port = htons(static_cast<std::uint16_t>(port));

    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid() || !ConnectWithin(fd.get(), address, ConnectTimeout())) return 0;

    const int one = 1;
    setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto poller = CurrentPoller();
    if (!poller) return 0;
    const int raw = fd.get();
    {
        // Everything the poller thread reads is in place before it can see the socket.
        std::lock_guard lock(socketMutex_);
        fd_ = std::move(fd);
        socketOpen_ = true;
        poller_ = poller;
        pollId_ = poller->NewId();
    }
    if (!poller->Add(raw, shared_from_this(), pollId_)) {
        std::lock_guard lock(socketMutex_);
        socketOpen_ = false;
        poller_.reset();
        fd_.reset();
        return 0;
    }
    connected_ = true;
    auto self = shared_from_this();
    reader_->Start([self] { self->ReaderLoop(); });
    sender_->Start([self] { self->SenderLoop(); });
    return 1;
}

int Connection::SendAll(const std::uint8_t* bytes, std::size_t n) {
    if (!bytes || n == 0) return 0;
    std::lock_guard send(sendMutex_);
    int fd;
    {
        std::lock_guard lock(socketMutex_);
        if (!socketOpen_) return -1;
        fd = fd_.get();  // stays open until this connection is destroyed
    }
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
            if (poll(&p, 1, static_cast<int>(kWritableWait.count())) == 0) return -1;
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

void Connection::Close(bool quiet) {
    const bool onReader = reader_->IsCurrent();
    // On its own reader (last configuration chunk) the notice goes out before the reader's stop
    // is requested, since a requested stop cancels the reader's pending notifications.
    if (onReader && ClaimNotice(quiet)) Notify(reader_, TESS_NOTE_DISCONNECTED, account_.c_str());
    const bool notice = !onReader && ClaimNotice(quiet);
    {
        std::lock_guard lock(socketMutex_);
        if (socketOpen_) {
            socketOpen_ = false;
            // Wakes a sender waiting for writability; the descriptor stays open for it.
            shutdown(fd_.get(), SHUT_RDWR);
            if (poller_) poller_->Remove(fd_.get(), pollId_);
        }
    }
    StopThreads();
    if (notice) Notify(nullptr, TESS_NOTE_DISCONNECTED, account_.c_str());
    inbound_.Reset();
    uploads_.Clear();
    configFiles_.Clear();
}

void Connection::StopThreads() {
    reader_->StopWithin(kStopBound);
    sender_->StopWithin(kStopBound);
}

void Connection::SetLoggedIn() {
    loggedIn_ = true;
    sender_->Signal();
}

// The pause and the resume are decided under one lock with the count read inside it, so a
// pause cannot slip in after the reader's last look and stall the socket.
void Connection::ResumeReadingIfDrained() {
    std::lock_guard lock(socketMutex_);
    if (!readPaused_ || inbound_.Count() >= kInboundLowWater) return;
    readPaused_ = false;
    if (socketOpen_ && poller_) poller_->Rearm(fd_.get(), pollId_);
}

void Connection::WatchAgainOrPause() {
    std::lock_guard lock(socketMutex_);
    readPaused_ = inbound_.Count() >= kInboundHighWater;
    if (!readPaused_ && socketOpen_ && poller_) poller_->Rearm(fd_.get(), pollId_);
}

void Connection::MarkPeerClosed(int fd) {
    {
        std::lock_guard lock(socketMutex_);
        // Nothing more to read: the socket leaves the poller until the connection is closed.
        if (poller_) poller_->Remove(fd, pollId_);
    }
    peerClosed_ = true;
    reader_->Signal();
}

void Connection::OnReadable() {
    int fd;
    {
        std::lock_guard lock(socketMutex_);
        if (!fd_.valid()) return;
        fd = fd_.get();
    }
    // A few receipts of at most 8192 bytes per readiness, then one wake-up for the reader; the
    // rest waits for the next turn so that busy connections do not starve the others.
    std::uint8_t buffer[8192];
    ssize_t r = 0;
    bool received = false;
    for (int turn = 0; turn < kReceiptsPerTurn; ++turn) {
        r = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (r <= 0) break;
        inbound_.Append(buffer, static_cast<std::size_t>(r));
        received = true;
    }
    if (received) reader_->Signal();
    if (r > 0 || (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))) {
        WatchAgainOrPause();
        return;
    }
    if (r < 0 && errno != ECONNRESET && errno != EPIPE && errno != ENOTCONN) {
        PostToHost([](const HostLink& link) {
            if (link.host.message_box)
                link.host.message_box(link.host.context, "读数据出错!", "严重错误",
                                      TESS_ICON_WARNING);
        });
    }
    MarkPeerClosed(fd);
}

void Connection::ReaderLoop() {
    auto header = std::make_unique_for_overwrite<std::uint8_t[]>(kHeaderSize);
    auto body = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxBodyLength);
    auto payload = std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize);
    ChunkSink chunks(reader_);
    // A download chunk is written and its progress handled by the host (see ChunkSink) while the
    // next packet is checked and expanded; the reader waits for that before acting on the next
    // packet, and before it sleeps or ends.
    AwaitNoticeOnExit awaitOnExit;
    while (reader_->Wait(kIdleWait)) {
        // The flag is taken before cutting, so every byte that came before the end of stream is
        // delivered before the close is reported.
        const bool peerClosed = peerClosed_;
        const bool goOn =
            CutPackets(inbound_, header.get(), body.get(), [&](const PacketHeader& h) {
                std::uint16_t length = 0;
                const bool parsed =
                    ParsePacket(header.get(), body.get(), payload.get(), kWorkAreaSize, length);
                AwaitNotice();
                if (reader_->StopRequested()) return false;
                if (parsed) HandlePacket(*this, reader_, chunks, h, payload.get(), length);
                if (reader_->StopRequested()) return false;
                ResumeReadingIfDrained();
                return true;
            });
        AwaitNotice();
        if (!goOn) return;
        ResumeReadingIfDrained();
        if (peerClosed && !closeReported_.exchange(true)) {
            // The server's close is handled on the host's thread: registry removal, notice 42.
            PostToHost([weak = weak_from_this()](const HostLink&) {
                if (auto connection = weak.lock()) RemoveClosedByServer(connection);
            });
        }
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
