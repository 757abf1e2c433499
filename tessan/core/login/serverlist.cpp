#include "core/login/serverlist.h"

#include "core/base/privateprofile.h"
#include "core/startup/datafolder.h"
#include "core/startup/localfiles.h"

#include "core/base/diagnostics.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

namespace tessan {
namespace {

QByteArray Piece(const char* begin, const char* end) {
    return QByteArray(begin, std::min<qsizetype>(end - begin, kAccountPieceSize - 1));
}

}  // namespace

int SplitAccountNumber(const char* text, AccountNumberParts& parts) {
    if (!text) return 0;
    const char* end = text + std::strlen(text);
    const char* first = std::strchr(text, '-');
    if (!first) return -1;
    const char* second = std::strchr(first + 1, '-');
    if (!second) return -1;
    parts.country = Piece(text, first);
    parts.area = Piece(first + 1, second);
    parts.prefix = Piece(text, second);
    parts.personal = Piece(second + 1, end);
    return 1;
}

int ResolveServer(const QString& appDir, const char* accountNumber, QByteArray& address,
                  int& port) {
    AccountNumberParts parts;
    if (const int split = SplitAccountNumber(accountNumber, parts); split != 1) return split;

    const PrivateProfile list = PrivateProfile::Load(ServerListFile(appDir));
    QByteArray section = parts.prefix;
    QByteArray found = list.String(section, "server", "", kServerAddressSize);
    if (found.isEmpty()) {
        section = "default";
        found = list.String(section, "server", kDefaultServerAddress, kServerAddressSize);
    }
    address = found;
    port = list.Int(section, "port", kDefaultServerPort);
    return 1;
}

QByteArray ServerConnectAddress(const QByteArray& server) {
    in_addr v4{};
    in6_addr v6{};
    if (server.isEmpty() || inet_pton(AF_INET, server.constData(), &v4) == 1 ||
        inet_pton(AF_INET6, server.constData(), &v6) == 1)
        return server;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(server.constData(), nullptr, &hints, &found); error != 0) {
        qCWarning(lcLogin) << "server" << server << "not found:" << gai_strerror(error);
        return server;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, &::freeaddrinfo);
    const addrinfo* chosen = nullptr;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            chosen = a;
            break;
        }
        if (a->ai_family == AF_INET6 && !chosen) chosen = a;
    }
    if (!chosen) return server;
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = chosen->ai_family == AF_INET
                          ? static_cast<const void*>(
                                &reinterpret_cast<const sockaddr_in*>(chosen->ai_addr)->sin_addr)
                          : static_cast<const void*>(
                                &reinterpret_cast<const sockaddr_in6*>(chosen->ai_addr)->sin6_addr);
    if (!inet_ntop(chosen->ai_family, raw, text, sizeof text)) return server;
    return QByteArray(text);
}

}  // namespace tessan
