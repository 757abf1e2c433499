#include "remote.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>

#include "fd.h"
#include "framing.h"
#include "text.h"

namespace tessd {

using namespace tessnet;

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<ServerList> ServerList::Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

ServerList ServerList::Parse(std::string_view text) {
    ServerList list;
    std::map<std::string, std::string>* section = nullptr;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string name = Lower(Trim(line.substr(1, close - 1)));
            section = &list.sections_[name];  // a repeated section adds to the first
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!section || eq == std::string_view::npos) continue;
        section->emplace(Lower(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))));
    }
    return list;
}

std::optional<ServerAddress> ServerList::Resolve(std::string_view number) const {
    const std::size_t d1 = number.find('-');
    const std::size_t d2 = d1 == std::string_view::npos ? d1 : number.find('-', d1 + 1);
    if (d2 == std::string_view::npos) return std::nullopt;
    auto value = [&](const std::string& section, const char* key) -> std::string {
        const auto s = sections_.find(section);
        if (s == sections_.end()) return {};
        const auto k = s->second.find(key);
        return k == s->second.end() ? std::string() : k->second;
    };
    std::string section = Lower(number.substr(0, d2));
    std::string host = value(section, "server");
    if (host.empty()) {
        section = "default";
        host = value(section, "server");
    }
    if (host.empty()) return std::nullopt;
    ServerAddress address{host.substr(0, 15), 8800};
    const std::string port = value(section, "port");
    if (!port.empty()) address.port = static_cast<std::uint16_t>(std::atoi(port.c_str()));
    return address;
}

namespace {

// A connection to another server for one lookup; every step shares one deadline.
class Exchange {
  public:
    Exchange(const ServerAddress& server, int timeoutMs)
        : deadline_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(server.port);
        if (::inet_pton(AF_INET, server.host.c_str(), &addr.sin_addr) != 1) return;
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd.valid() ||
            (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
             errno != EINPROGRESS))
            return;
        pollfd pfd{fd.get(), POLLOUT, 0};
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::poll(&pfd, 1, Remaining()) == 1 &&
            ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0)
            fd_ = std::move(fd);
    }

    bool Send(std::uint8_t command, const Bytes& payload) {
        std::uint8_t packet[kHeaderSize + kMaxBodyLength];
        std::uint16_t length = 0;
        return fd_.valid() &&
               BuildPacket(payload.data(), static_cast<std::uint16_t>(payload.size()), command, 1,
                           1, 1, packet, sizeof packet, length) &&
               ::send(fd_.get(), packet, length, MSG_NOSIGNAL) == length;
    }

    // The next packet of `command`; nothing when the server closes or the deadline passes.
    std::optional<Packet> Await(std::uint8_t command) {
        Packet packet;
        while (fd_.valid()) {
            while (cutter_.Next(packet))
                if (packet.header.command == command) return packet;
            pollfd pfd{fd_.get(), POLLIN, 0};
            if (::poll(&pfd, 1, Remaining()) != 1) break;
            std::uint8_t buffer[4096];
            const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, 0);
            if (n <= 0) break;
            cutter_.Append(buffer, static_cast<std::size_t>(n));
        }
        return std::nullopt;
    }

  private:
    using Clock = std::chrono::steady_clock;

    int Remaining() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

    Clock::time_point deadline_;
    UniqueFd fd_;
    StreamCutter cutter_;
};

}  // namespace

RemoteAccount AskAccount(const ServerAddress& server, std::string_view number, std::string_view key,
                         int timeoutMs) {
    RemoteAccount result;
    Exchange exchange(server, timeoutMs);
    if (!exchange.Send(CMD_LOGIN, LoginRequest::Encode(number, key))) return result;
    const auto login = exchange.Await(CMD_LOGIN_RESULT);
    if (!login) return result;
    const bool accepted = !login->payload.empty() && login->payload[0] == 1;
    result.answer =
        accepted ? RemoteAccount::Answer::KeyAccepted : RemoteAccount::Answer::KeyRefused;
    if (!accepted) return result;

    Bytes request(kKeyWidth, 0);
    WriteText(request.data(), kKeyWidth, number);
    if (!exchange.Send(CMD_OWN_PROFILE, request)) return result;
    if (const auto reply = exchange.Await(CMD_OWN_PROFILE)) {
        const UserProfile profile =
            UserProfile::FromBytes(reply->payload.data(), reply->payload.size());
        if (profile.Number() == number) result.profile = profile;
    }
    return result;
}

RemoteLookup MakeRemoteLookup(ServerList list, ServerAddress self) {
    return [list = std::move(list), self = std::move(self)](std::string_view number,
                                                            std::string_view key) {
        const auto server = list.Resolve(number);
        if (!server || (server->host == self.host && server->port == self.port))
            return RemoteAccount{};
        RemoteAccount remote = AskAccount(*server, number, key, 3000);
        std::string what;
        switch (remote.answer) {
            case RemoteAccount::Answer::KeyAccepted:
                what = remote.profile ? "key accepted, profile of " + Utf8(remote.profile->Name())
                                      : "key accepted, but no profile came: the entry has no name";
                break;
            case RemoteAccount::Answer::KeyRefused:
                what = "key refused";
                break;
            case RemoteAccount::Answer::NoAnswer:
                what = "cannot reach it, or no answer in time";
                break;
        }
        LogLine("asked " + server->host + ":" + std::to_string(server->port) + " about " +
                std::string(number) + ": " + what);
        return remote;
    };
}

}  // namespace tessd
