#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "framing.h"

namespace tessd {

using namespace tessnet;

namespace {

bool SendAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

void SetTimeout(int fd, int option, int seconds) {
    timeval tv{};
    tv.tv_sec = seconds;
    ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}

// A client that stops reading is dropped after this long instead of holding its thread.
constexpr int kSendTimeoutSeconds = 15;

}  // namespace

Server::Server(Store& store, ServerOptions options) : store_(store), options_(std::move(options)) {}

Server::~Server() {
    Stop();
}

bool Server::Start(std::string& error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options_.port);
    if (::inet_pton(AF_INET, options_.host.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + options_.host;
        return false;
    }
    listenFd_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int one = 1;
    if (!listenFd_.valid() ||
        ::setsockopt(listenFd_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(listenFd_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_.get(), 64) != 0) {
        error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port) + ": " +
                std::strerror(errno);
        listenFd_.reset();
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_.get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        listenFd_.reset();
        return false;
    }
    wakeRead_ = UniqueFd(pipeFds[0]);
    wakeWrite_ = UniqueFd(pipeFds[1]);
    stopping_ = false;
    acceptThread_ = std::thread(&Server::AcceptLoop, this);
    return true;
}

void Server::Stop() {
    if (!acceptThread_.joinable()) return;
    stopping_ = true;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite_.get(), &byte, 1);
    acceptThread_.join();

    std::list<std::unique_ptr<Client>> clients;
    {
        std::lock_guard lock(clientsMutex_);
        clients.swap(clients_);
    }
    // Shutting the sockets down wakes threads blocked in recv or send; descriptors are closed
    // only after their thread has ended.
    for (auto& c : clients) ::shutdown(c->fd.get(), SHUT_RDWR);
    for (auto& c : clients) c->thread.join();
    listenFd_.reset();
    wakeRead_.reset();
    wakeWrite_.reset();
}

std::size_t Server::ClientCount() {
    std::lock_guard lock(clientsMutex_);
    return clients_.size();
}

void Server::CloseLocked(Client& client, const std::string& why) {
    client.closing = true;
    ::shutdown(client.fd.get(), SHUT_RDWR);  // its thread sees the end and finishes
    LogLine(client.peer + " closed: " + why);
}

void Server::CloseIdleClients() {
    const auto now = options_.now();
    std::lock_guard lock(clientsMutex_);
    for (auto& c : clients_)
        if (!c->done && !c->closing && !c->loggedIn &&
            now - c->waiting >=
                (c->enteringCard ? options_.cardEntryTimeLimit : options_.loginTimeLimit))
            CloseLocked(*c, c->enteringCard ? "no recharge in time" : "no login in time");
}

bool Server::CloseOldestWaitingLocked(const std::string& address) {
    Client* oldest = nullptr;
    for (auto& c : clients_)
        if (!c->done && !c->closing && !c->loggedIn && (address.empty() || c->address == address) &&
            (!oldest || c->waiting < oldest->waiting))
            oldest = c.get();
    if (!oldest) return false;
    CloseLocked(*oldest, "its slot went to a newer connection");
    return true;
}

bool Server::AdmitLocked(const std::string& address, std::string& refusal) {
    std::size_t total = 0;
    std::size_t fromAddress = 0;
    for (const auto& c : clients_) {
        if (c->done || c->closing) continue;
        ++total;
        if (c->address == address) ++fromAddress;
    }
    if (fromAddress >= options_.maxClientsPerAddress) {
        if (!CloseOldestWaitingLocked(address)) {
            refusal = "its address holds its share of the slots, all logged in";
            return false;
        }
        --total;
    }
    if (total >= options_.maxClients && !CloseOldestWaitingLocked({})) {
        refusal = "every slot holds a login";
        return false;
    }
    return true;
}

void Server::ReapFinished() {
    std::list<std::unique_ptr<Client>> finished;
    {
        std::lock_guard lock(clientsMutex_);
        for (auto it = clients_.begin(); it != clients_.end();) {
            auto next = std::next(it);
            if ((*it)->done) finished.splice(finished.end(), clients_, it);
            it = next;
        }
    }
    for (auto& c : finished) c->thread.join();
}

void Server::AcceptLoop() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        ReapFinished();
        CloseIdleClients();
        if (stopping_) break;
        if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;

        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        UniqueFd fd(
            ::accept4(listenFd_.get(), reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC));
        if (!fd.valid()) {
            // Out of descriptors: back off instead of spinning on a listener that stays ready.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                pollfd wake{wakeRead_.get(), POLLIN, 0};
                ::poll(&wake, 1, 100);
            }
            continue;
        }
        char host[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
        const std::string peerText = std::string(host) + ":" + std::to_string(ntohs(peer.sin_port));
        std::lock_guard lock(clientsMutex_);
        std::string refusal;
        if (!AdmitLocked(host, refusal)) {
            LogLine(peerText + " refused: " + refusal);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        SetTimeout(fd.get(), SO_SNDTIMEO, kSendTimeoutSeconds);

        auto client = std::make_unique<Client>();
        client->fd = std::move(fd);
        client->address = host;
        client->peer = peerText;
        client->waiting = options_.now();
        Client& ref = *client;
        clients_.push_back(std::move(client));
        ref.thread = std::thread(&Server::Serve, this, std::ref(ref));
    }
}

void Server::Serve(Client& client) {
    const int fd = client.fd.get();
    auto out = std::make_unique<std::uint8_t[]>(kHeaderSize + kMaxBodyLength);
    Session session(
        store_, options_.hooks, options_.remoteLookup,
        [&](std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount,
            std::uint32_t pieceNumber) {
            // Before the answer leaves: a client that has seen its login accepted already
            // counts as logged in.
            if (command == CMD_LOGIN_RESULT) {
                const bool accepted = !payload.empty() && payload[0] == 1;
                std::lock_guard lock(clientsMutex_);
                if (client.loggedIn && !accepted) client.waiting = options_.now();
                client.loggedIn = accepted;
            }
            if (command == CMD_CARD_ANSWER && !payload.empty() && payload[0] >= '0' &&
                payload[0] <= '3') {
                std::lock_guard lock(clientsMutex_);
                client.enteringCard = true;
                client.waiting = options_.now();
            }
            std::uint16_t length = 0;
            if (payload.empty() || payload.size() > kMaxPayloadLength ||
                !BuildPacket(payload.data(), static_cast<std::uint16_t>(payload.size()), command, 1,
                             pieceCount, pieceNumber, out.get(),
                             static_cast<std::uint16_t>(kHeaderSize + kMaxBodyLength), length)) {
                LogLine(client.peer + " reply " + std::to_string(command) + " does not fit");
                return true;  // a reply that cannot be built is skipped, the connection stays
            }
            return SendAll(fd, out.get(), length);
        },
        client.peer);
    LogLine(client.peer + " connected");

    StreamCutter cutter;
    std::uint8_t buffer[16384];
    bool keep = true;
    while (keep && !stopping_) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        cutter.Append(buffer, static_cast<std::size_t>(n));
        Packet packet;
        while (keep && cutter.Next(packet)) keep = session.Handle(packet);
    }
    if (!keep) {
        // Closed by the server (after a registration): let the reply reach the client before
        // the close, rather than resetting the connection over unread input.
        ::shutdown(fd, SHUT_WR);
        SetTimeout(fd, SO_RCVTIMEO, 1);
        for (int i = 0; i < 16 && !stopping_ && ::recv(fd, buffer, sizeof buffer, 0) > 0; ++i) {
        }
    }
    ::shutdown(fd, SHUT_RDWR);
    if (cutter.SkippedBytes() > 0 || cutter.DroppedPackets() > 0)
        LogLine(client.peer + " skipped " + std::to_string(cutter.SkippedBytes()) +
                " stray bytes, dropped " + std::to_string(cutter.DroppedPackets()) +
                " bad packets");
    LogLine(client.peer + " disconnected");
    client.done = true;
}

}  // namespace tessd
