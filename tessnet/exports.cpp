// The sixteen exported functions. All run on the host's UI thread; none waits for the network:
// connects complete and packets go out on the connection's own threads.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "connection.h"
#include "host_link.h"
#include "packet.h"
#include "registry.h"
#include "tessnet/tessnet.h"
#include "wire_text.h"

using namespace tessnet;

namespace {

constexpr std::size_t kNameWidth = TESS_NAME_SIZE;
constexpr std::size_t kAccountWidth = TESS_ACCOUNT_SIZE;

// One request packet; empty when the payload does not fit (-2 for the host).
std::vector<std::uint8_t> RequestPacket(const std::uint8_t* payload, std::size_t length,
                                        int command) {
    if (length == 0 || length > kMaxPayloadLength) return {};
    std::vector<std::uint8_t> packet(kRequestCapacity);
    std::uint16_t packetLength = 0;
    if (!BuildPacket(payload, static_cast<std::uint16_t>(length),
                     static_cast<std::uint8_t>(command), 1, 1, 1, packet.data(),
                     static_cast<std::uint16_t>(packet.size()), packetLength))
        return {};
    packet.resize(packetLength);
    return packet;
}

// Builds one request packet and hands it to the connection's sender thread. 1 or -2; the send's
// own outcome is not reported (a dead connection shows up as notice 42).
int SendRequest(Connection& connection, const std::uint8_t* payload, std::size_t length,
                int command) {
    auto packet = RequestPacket(payload, length, command);
    if (packet.empty()) return -2;
    connection.Send(std::move(packet));
    return 1;
}

int SendToAccount(const char* account, const std::uint8_t* payload, std::size_t length,
                  int command) {
    if (!account) return -1;
    const auto connection = Registry().FindByAccount(account);
    if (!connection) return -1;
    return SendRequest(*connection, payload, length, command);
}

// Requests whose payload is one 260-byte name field.
int SendName(const char* account, const char* name, int command) {
    if (!name) return 0;
    std::array<std::uint8_t, kNameWidth> payload{};
    PutField(payload.data(), kNameWidth, CText(name, kNameWidth));
    return SendToAccount(account, payload.data(), payload.size(), command);
}

// Creates `path` with every missing parent; errors are ignored.
void MakeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
    mkdir(path.c_str(), 0755);
}

}  // namespace

extern "C" {

int InitFtpDll(const TessHost* host, int message, const char* downloadDirectory) {
    // Not cut to 259 characters: a shortened path would name another folder.
    const std::string directory(downloadDirectory ? downloadDirectory : "");
    if (!directory.empty()) MakeDirectories(directory);
    if (!host || !host->post) return 0;
    // Every name on the wire is GBK: without the converters no file could be named.
    if (!GbkToUtf8("a") || !Utf8ToGbk("a")) return 0;

    auto link = std::make_shared<HostLink>();
    link->host = *host;
    link->message = message;
    link->downloadDirectory = directory;
    if (const auto previous = CurrentLink()) {
        link->startDirectory = previous->startDirectory;
    } else {
        std::array<char, 4096> cwd{};
        if (getcwd(cwd.data(), cwd.size())) link->startDirectory = cwd.data();
    }
    SetLink(std::move(link));
    return 1;
}

int FreeFtpDll(void) {
    // The host may return from main right after this: no library thread may reach it or the
    // connections' state any more, so every connection is closed (quietly) first.
    Registry().CloseAll();
    SetLink(nullptr);
    return 1;
}

int ConnectServer(const char* address, int port, const char* account, const char* password) {
    const std::string_view key = CText(account, kAccountWidth);
    // A login connection that is registered, connecting or connected, is not made twice. A plain
    // connection (recharge) is not looked up: it may coexist with an older one.
    if (password && Registry().FindByAccount(key)) return 1;
    auto connection = std::make_shared<Connection>(key);
    if (password) {
        // The first packet once the connect completes.
        std::array<std::uint8_t, TESS_LOGIN_SIZE> login{};
        login[0] = 2;
        login[1] = 1;
        PutField(login.data() + TESS_LOGIN_OFF_ACCOUNT, kAccountWidth, key);
        PutField(login.data() + TESS_LOGIN_OFF_PASSWORD, kAccountWidth,
                 CText(password, kAccountWidth));
        SendRequest(*connection, login.data(), login.size(), CMD_LOGIN);
    }
    if (connection->Connect(address, port) != 1) return 0;
    Registry().Add(std::move(connection));
    return 1;
}

int DisconnectServer(const char* account) {
    if (!account) return 0;
    Registry().RemoveByAccount(CText(account, kAccountWidth), true);
    return 1;
}

int UploadFile(const char* sender, const char* account, const char* localPath) {
    if (!account) return -1;
    const auto connection = Registry().FindByAccount(CText(account, kAccountWidth));
    if (!connection) return -1;
    if (!sender || !localPath) return 0;
    return connection->uploads().Enqueue(CText(sender, kAccountWidth), localPath);
}

int DownLoad(const char* account, const char* storedName) {
    return SendName(account, storedName, CMD_DOWNLOAD);
}

int DelFile(const char* account, const char* storedName) {
    return SendName(account, storedName, CMD_DELETE);
}

int ListFile(const char* account) {
    static constexpr char kList[] = "list file";
    return SendToAccount(account, reinterpret_cast<const std::uint8_t*>(kList), 9, CMD_LIST);
}

int RegisterUser(const char* address, int port, const void* profile) {
    if (!profile) return 0;
    std::array<std::uint8_t, TESS_REGISTER_SIZE> payload{};
    std::memcpy(payload.data() + TESS_REGISTER_OFF_PROFILE, profile, TESS_USER_PROFILE_SIZE);
    auto connection = std::make_shared<Connection>("");
    if (SendRequest(*connection, payload.data(), payload.size(), CMD_REGISTER) != 1) return -2;
    if (connection->Connect(address, port) != 1) return 0;
    Registry().Add(std::move(connection));
    return 1;
}

int ModifyUser(const void* profile) {
    if (!profile) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(profile);
    const std::string account(FieldText(bytes, kAccountWidth));
    return SendToAccount(account.c_str(), bytes, TESS_USER_PROFILE_SIZE, CMD_MODIFY_USER);
}

int AddFriend(const char* account, const void* friendRecord) {
    if (!friendRecord) return 0;
    return SendToAccount(account, static_cast<const std::uint8_t*>(friendRecord),
                         TESS_FRIEND_RECORD_SIZE, CMD_ADD_FRIEND);
}

int DelFriend(const char* account, const char* friendAccount) {
    if (!friendAccount) return 0;
    std::array<std::uint8_t, TESS_FRIEND_RECORD_SIZE> payload{};
    PutField(payload.data() + TESS_DEL_FRIEND_OFF_ACCOUNT, kAccountWidth,
             CText(friendAccount, kAccountWidth));
    return SendToAccount(account, payload.data(), payload.size(), CMD_DEL_FRIEND);
}

int ModifyFriend(const char* account, const void* friendRecord) {
    if (!friendRecord) return 0;
    return SendToAccount(account, static_cast<const std::uint8_t*>(friendRecord),
                         TESS_FRIEND_RECORD_SIZE, CMD_MODIFY_FRIEND);
}

int Confirm(const char* account, const char* storedName, int goAhead) {
    if (!account) return -1;
    const auto connection = Registry().FindByAccount(CText(account, kAccountWidth));
    if (!connection || !storedName) return -1;
    return connection->uploads().Release(CText(storedName, kNameWidth), goAhead != 0);
}

int DownLoadIni(const char* account, const char* configName) {
    if (!configName) return 0;
    // Only a name asked for here may be written when its chunks come; expected before the
    // request goes out, since the answer may come at once.
    if (account)
        if (const auto connection = Registry().FindByAccount(CText(account, kAccountWidth)))
            connection->configFiles().Expect(CText(configName, kNameWidth - 1));
    return SendName(account, configName, CMD_CONFIG_REQUEST);
}

int SendData(const char* account, const void* payload, int length, int command) {
    if (!account || !Registry().FindByAccount(CText(account, kAccountWidth))) return -1;
    if (!payload || length <= 0 || static_cast<std::size_t>(length) > kMaxPayloadLength) return -2;
    return SendToAccount(account, static_cast<const std::uint8_t*>(payload),
                         static_cast<std::size_t>(length), command);
}

}  // extern "C"
