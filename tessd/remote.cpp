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

std::optional<bool> LoginAccepted(const ServerAddress& server, std::string_view number,
                                  std::string_view key, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto remaining = [&] {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    };

    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(server.port);
    if (::inet_pton(AF_INET, server.host.c_str(), &addr.sin_addr) != 1) return std::nullopt;
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) return std::nullopt;
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
        errno != EINPROGRESS)
        return std::nullopt;
    pollfd pfd{fd.get(), POLLOUT, 0};
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::poll(&pfd, 1, remaining()) != 1 ||
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0)
        return std::nullopt;

    const Bytes login = LoginRequest::Encode(number, key);
    std::uint8_t packet[kHeaderSize + kMaxBodyLength];
    std::uint16_t length = 0;
    if (!BuildPacket(login.data(), static_cast<std::uint16_t>(login.size()), CMD_LOGIN, 1, 1, 1,
                     packet, sizeof packet, length) ||
        ::send(fd.get(), packet, length, MSG_NOSIGNAL) != length)
        return std::nullopt;

    StreamCutter cutter;
    Packet reply;
    while (true) {
        pfd = {fd.get(), POLLIN, 0};
        if (::poll(&pfd, 1, remaining()) != 1) return std::nullopt;
        std::uint8_t buffer[4096];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return std::nullopt;
        cutter.Append(buffer, static_cast<std::size_t>(n));
        while (cutter.Next(reply))
            if (reply.header.command == CMD_LOGIN_RESULT)
                return !reply.payload.empty() && reply.payload[0] == 1;
    }
}

RemoteKeyCheck MakeRemoteKeyCheck(ServerList list, ServerAddress self) {
    return [list = std::move(list), self = std::move(self)](std::string_view number,
                                                            std::string_view key) {
        const auto server = list.Resolve(number);
        if (!server || (server->host == self.host && server->port == self.port)) return false;
        const auto accepted = LoginAccepted(*server, number, key, 3000);
        LogLine("asked " + server->host + ":" + std::to_string(server->port) + " about " +
                std::string(number) + ": " +
                (accepted ? (*accepted ? "key accepted" : "key refused") : "no answer"));
        return accepted.value_or(false);
    };
}

}  // namespace tessd
