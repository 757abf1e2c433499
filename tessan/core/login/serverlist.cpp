#include "core/login/serverlist.h"

#include "core/base/privateprofile.h"
#include "core/startup/datafolder.h"
#include "core/startup/localfiles.h"

#include <cstring>

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

}  // namespace tessan
