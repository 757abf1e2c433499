// The request exports: the exact packets the server receives and the results the host gets.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "connection.h"
#include "lib_fixture.h"
#include "wire_text.h"
#include "worker.h"

namespace tessnet::testing {
namespace {

constexpr char kAccount[] = "0086-10-1234567";

bool IsCompressed(const ReceivedPacket& p) {
    return p.body.size() >= 5 && std::memcmp(p.body.data(), "WMC15", 5) == 0;
}

void ExpectRequestHeader(const ReceivedPacket& p, std::uint8_t command) {
    EXPECT_TRUE(p.parsed);
    EXPECT_EQ(p.header.command, command);
    EXPECT_EQ(p.header.fixedOne, 1u);
    EXPECT_EQ(p.header.pieceCount, 1u);
    EXPECT_EQ(p.header.pieceNumber, 1u);
    EXPECT_EQ(p.header.bodyLength, p.body.size());
    EXPECT_EQ(p.header.checksum, Crc32(p.body.data(), p.body.size()));
    // Payloads of 50 bytes and more go through the compressor (these all compress).
    EXPECT_EQ(IsCompressed(p), p.payload.size() >= 50) << "command " << int(command);
}

std::vector<std::uint8_t> NameField(const std::string& name) {
    std::vector<std::uint8_t> field(TESS_NAME_SIZE, 0);
    PutField(field.data(), field.size(), name);
    return field;
}

TEST_F(LibTest, LoginPacketThenNoSecondLoginForAConnectedAccount) {
    auto client = Login(kAccount, "secret-key");
    const auto login = client->Packets().at(0);
    ExpectRequestHeader(login, CMD_LOGIN);
    std::vector<std::uint8_t> expected(TESS_LOGIN_SIZE, 0);
    expected[0] = 2;
    expected[1] = 1;
    PutField(expected.data() + TESS_LOGIN_OFF_ACCOUNT, 32, kAccount);
    PutField(expected.data() + TESS_LOGIN_OFF_PASSWORD, 32, "secret-key");
    EXPECT_EQ(login.payload, expected);

    EXPECT_EQ(ConnectServer("127.0.0.1", server_.port(), kAccount, "secret-key"), 1);
    EXPECT_EQ(ListFile(kAccount), 1);
    ASSERT_TRUE(client->WaitForPackets(2));
    EXPECT_EQ(client->Packets().at(1).header.command, CMD_LIST);
    EXPECT_EQ(server_.ClientCount(), 1u);
}

TEST_F(LibTest, EveryRequestExportSendsItsPayload) {
    auto client = Login(kAccount);
    std::vector<std::uint8_t> friendRecord(TESS_FRIEND_RECORD_SIZE);
    for (std::size_t i = 0; i < friendRecord.size(); ++i)
        friendRecord[i] = i % 7 ? 0 : 'a' + i % 26;
    std::vector<std::uint8_t> profile(TESS_USER_PROFILE_SIZE, 0);
    PutField(profile.data(), 32, kAccount);
    PutField(profile.data() + 96, 32, "name");
    std::vector<std::uint8_t> delFriend(TESS_FRIEND_RECORD_SIZE, 0);
    PutField(delFriend.data() + TESS_DEL_FRIEND_OFF_ACCOUNT, 32, "0086-20-7654321");
    const std::vector<std::uint8_t> recharge(97, 'r');

    struct Case {
        std::function<int()> call;
        std::uint8_t command;
        std::vector<std::uint8_t> payload;
    };
    const std::vector<Case> cases = {
        {[] { return DownLoad(kAccount, "0086-1-2@report.doc"); }, CMD_DOWNLOAD,
         NameField("0086-1-2@report.doc")},
        {[] { return DelFile(kAccount, "0086-1-2@old.txt"); }, CMD_DELETE,
         NameField("0086-1-2@old.txt")},
        {[] { return ListFile(kAccount); }, CMD_LIST, Bytes("list file")},
        {[&] { return AddFriend(kAccount, friendRecord.data()); }, CMD_ADD_FRIEND, friendRecord},
        {[] { return DelFriend(kAccount, "0086-20-7654321"); }, CMD_DEL_FRIEND, delFriend},
        {[&] { return ModifyFriend(kAccount, friendRecord.data()); }, CMD_MODIFY_FRIEND,
         friendRecord},
        {[&] { return ModifyUser(profile.data()); }, CMD_MODIFY_USER, profile},
        {[] { return DownLoadIni(kAccount, "serverlist.ini"); }, CMD_CONFIG_REQUEST,
         NameField("serverlist.ini")},
        {[&] { return SendData(kAccount, recharge.data(), 97, CMD_RECHARGE); }, CMD_RECHARGE,
         recharge},
        {[] {
             return SendData(kAccount, "0123456789012345678901234567890123456789012345678", 49,
                             CMD_CARD_QUERY);
         },
         CMD_CARD_QUERY, Bytes("0123456789012345678901234567890123456789012345678")},
    };
    std::size_t expectedPackets = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.command));
        EXPECT_EQ(c.call(), 1);
        ASSERT_TRUE(client->WaitForPackets(++expectedPackets));
        const auto packet = client->Packets().back();
        ExpectRequestHeader(packet, c.command);
        EXPECT_EQ(packet.payload, c.payload);
    }
}

TEST_F(LibTest, RequestsWithoutConnectionOrArgumentsAreRefused) {
    const std::vector<std::uint8_t> record(TESS_USER_PROFILE_SIZE, 0);
    EXPECT_EQ(ListFile(kAccount), -1);
    EXPECT_EQ(DownLoad(kAccount, "a@b"), -1);
    EXPECT_EQ(DelFile(kAccount, "a@b"), -1);
    EXPECT_EQ(AddFriend(kAccount, record.data()), -1);
    EXPECT_EQ(DelFriend(kAccount, "x"), -1);
    EXPECT_EQ(ModifyFriend(kAccount, record.data()), -1);
    EXPECT_EQ(ModifyUser(record.data()), -1);
    EXPECT_EQ(DownLoadIni(kAccount, "a.ini"), -1);
    EXPECT_EQ(SendData(kAccount, "abc", 3, 36), -1);
    EXPECT_EQ(UploadFile(kAccount, kAccount, "/etc/hostname"), -1);
    EXPECT_EQ(Confirm(kAccount, "a.txt", 1), -1);
    EXPECT_EQ(ModifyUser(nullptr), 0);
    EXPECT_EQ(DisconnectServer(nullptr), 0);
    EXPECT_EQ(DisconnectServer(kAccount), 1);
    EXPECT_EQ(ListFile(nullptr), -1);

    // Account numbers are matched exactly: letter case counts.
    Login("abc-1-2");
    EXPECT_EQ(ListFile("ABC-1-2"), -1);
    EXPECT_EQ(ListFile("abc-1-2"), 1);
    EXPECT_EQ(DownLoad("abc-1-2", nullptr), 0);
}

TEST_F(LibTest, OversizedPayloadsReportMinusTwo) {
    Login(kAccount);
    const auto noise = Pattern(8200);  // random bytes do not compress below 8192
    EXPECT_EQ(SendData(kAccount, noise.data(), static_cast<int>(noise.size()), 36), -2);
    const std::vector<std::uint8_t> huge(70000, 0);
    EXPECT_EQ(SendData(kAccount, huge.data(), static_cast<int>(huge.size()), 36), -2);
    EXPECT_EQ(SendData(kAccount, noise.data(), 0, 36), -2);
    EXPECT_EQ(SendData(kAccount, nullptr, 10, 36), -2);
    // A long payload that compresses into one packet is fine.
    const std::vector<std::uint8_t> zeros(20000, 0);
    EXPECT_EQ(SendData(kAccount, zeros.data(), static_cast<int>(zeros.size()), 36), 1);
    auto client = server_.Client(0);
    ASSERT_TRUE(client->WaitForPackets(2));
    EXPECT_EQ(client->Packets().back().payload, zeros);
}

TEST_F(LibTest, UnreachableServerGivesZeroAndNoConnection) {
    int port;
    {
        FakeServer closed;
        port = closed.port();
    }
    EXPECT_EQ(ConnectServer("127.0.0.1", port, kAccount, "key"), 0);
    EXPECT_EQ(ListFile(kAccount), -1);
    EXPECT_EQ(ConnectServer("not an address", server_.port(), kAccount, "key"), 0);
    EXPECT_EQ(ConnectServer("127.0.0.1", 0, kAccount, "key"), 0);
    EXPECT_EQ(ListFile(kAccount), -1);
}

TEST_F(LibTest, AnIpv6AddressConnects) {
    UniqueFd listener(socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    socklen_t size = sizeof address;
    if (!listener.valid() ||
        bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), 4) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    accounts_.push_back(kAccount);
    EXPECT_EQ(ConnectServer("::1", ntohs(address.sin6_port), kAccount, nullptr), 1);
    UniqueFd accepted(accept(listener.get(), nullptr, nullptr));
    EXPECT_TRUE(accepted.valid());
    // A port of the loopback where nothing listens any more is refused at once.
    listener.reset();
    EXPECT_EQ(ConnectServer("::1", ntohs(address.sin6_port), "0086-10-2", nullptr), 0);
}

// A listener whose accept queue is full drops every further handshake, as a filtering firewall
// does: a connect to it waits for an answer that never comes.
class SilentListener {
  public:
    SilentListener() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            listen(listener_.get(), 0) != 0 ||
            getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        filler_.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (connect(filler_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            port_ = 0;
    }
    int port() const { return port_; }
    // True once the filler sits in the accept queue, which is then full.
    bool Full() const {
        tcp_info info{};
        socklen_t size = sizeof info;
        return getsockopt(listener_.get(), IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
               info.tcpi_unacked >= 1;
    }

  private:
    UniqueFd listener_;
    UniqueFd filler_;
    int port_ = 0;
};

TEST_F(LibTest, AConnectReturnsAtOnceAndAFailureLaterIsNoticeFortyTwo) {
    SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    ASSERT_TRUE(host_.RunUntil([&] { return silent.Full(); }));
    const auto bound = ConnectTimeout();
    EXPECT_EQ(bound, std::chrono::seconds(10));
    // A connection the host drops while it is still connecting ends at once, without a word.
    SetConnectTimeout(std::chrono::minutes(1));
    const std::size_t running = Worker::Running();
    ASSERT_EQ(ConnectServer("127.0.0.1", silent.port(), "0086-10-9", "key"), 1);
    EXPECT_EQ(DisconnectServer("0086-10-9"), 1);
    EXPECT_TRUE(Eventually([&] { return Worker::Running() <= running; }));
    SetConnectTimeout(std::chrono::milliseconds(100));
    // Registered while the connect goes on: a request waits for it, a second login is not made.
    accounts_.push_back(kAccount);
    EXPECT_EQ(ConnectServer("127.0.0.1", silent.port(), kAccount, "key"), 1);
    EXPECT_EQ(ListFile(kAccount), 1);
    EXPECT_EQ(ConnectServer("127.0.0.1", silent.port(), kAccount, "key"), 1);
    std::vector<std::uint8_t> profile(TESS_USER_PROFILE_SIZE, 0);
    EXPECT_EQ(RegisterUser("127.0.0.1", silent.port(), profile.data()), 1);
    EXPECT_TRUE(host_.notes().empty());
    // The bound runs out on the connections' own threads.
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED, 2));
    SetConnectTimeout(bound);
    std::vector<std::string> ended;
    for (const auto& note : host_.NotesOfType(TESS_NOTE_DISCONNECTED))
        ended.push_back(note.Account());
    std::sort(ended.begin(), ended.end());
    EXPECT_EQ(ended, (std::vector<std::string>{"", kAccount}));
    EXPECT_EQ(host_.notes().size(), 2u);
    EXPECT_EQ(ListFile(kAccount), -1);
    EXPECT_EQ(ListFile(""), -1);
    EXPECT_TRUE(Logged(host_, "not answered"));
    // The server that answers is still reached.
    Login(kAccount);
    EXPECT_EQ(ListFile(kAccount), 1);
}

TEST_F(LibTest, RequestsNeverWaitForAServerThatTakesNothing) {
    auto client = Login(kAccount);
    client->Pause(true);
    // 16 MB, more than socket buffers usually hold: the sender thread waits with them, the host
    // does not.
    constexpr int kRequests = 2000;
    const auto payload = Pattern(8000, 3);
    for (int i = 0; i < kRequests; ++i) {
        std::vector<std::uint8_t> numbered = payload;
        PutU32(numbered.data(), static_cast<std::uint32_t>(i));
        ASSERT_EQ(SendData(kAccount, numbered.data(), 8000, CMD_RECHARGE), 1);
    }
    // The host still hears the server meanwhile.
    Sync(host_, *client);
    // Once the server reads again, every request arrives, in order.
    client->Pause(false);
    ASSERT_TRUE(client->WaitForPackets(1 + kRequests));
    const auto packets = client->Packets();
    for (int i = 0; i < kRequests; ++i)
        ASSERT_EQ(GetU32(packets[1 + i].payload.data()), static_cast<std::uint32_t>(i)) << i;
}

TEST_F(LibTest, ADisconnectWhileRequestsGoOutIsNoFaultToLog) {
    auto client = Login(kAccount);
    // The server takes nothing, so the sender thread is in the middle of a send, or waits to
    // send, when the host disconnects: that send fails because of the host's own close.
    client->Pause(true);
    const auto payload = Pattern(8000, 7);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(SendData(kAccount, payload.data(), 8000, CMD_RECHARGE), 1);
    Sync(host_, *client);
    EXPECT_EQ(DisconnectServer(kAccount), 1);
    client->Pause(false);
    EXPECT_TRUE(client->WaitClosedByPeer());
    EXPECT_EQ(host_.LogLines(), std::vector<std::string>{});
}

TEST_F(LibTest, RegistrationConnectionSendsProfileAndLivesUntilServerCloses) {
    std::vector<std::uint8_t> profile(TESS_USER_PROFILE_SIZE, 0);
    PutField(profile.data(), 32, "0086-10-7777777");
    PutField(profile.data() + 64, 32, "public");
    EXPECT_EQ(RegisterUser("127.0.0.1", server_.port(), profile.data()), 1);
    ASSERT_TRUE(server_.WaitForClients(1));
    auto client = server_.Client(0);
    ASSERT_TRUE(client->WaitForPackets(1));
    const auto packet = client->Packets().at(0);
    ExpectRequestHeader(packet, CMD_REGISTER);
    std::vector<std::uint8_t> expected(TESS_REGISTER_SIZE, 0);
    std::memcpy(expected.data() + 4, profile.data(), profile.size());
    EXPECT_EQ(packet.payload, expected);
    EXPECT_EQ(RegisterUser("127.0.0.1", server_.port(), nullptr), 0);

    // Registered under the empty account number until the server answers and closes.
    EXPECT_EQ(ListFile(""), 1);
    client->Send(CMD_REGISTER_RESULT, {1, 'o', 'k', 0});
    client->Close();
    ASSERT_TRUE(host_.WaitForType(TESS_NOTE_DISCONNECTED));
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_REGISTER).at(0).DataText(0), "ok");
    EXPECT_EQ(host_.NotesOfType(TESS_NOTE_DISCONNECTED).at(0).Account(), "");
    EXPECT_EQ(ListFile(""), -1);
}

TEST_F(LibTest, PlainConnectionsSendNoLoginAndMayCoexist) {
    accounts_.push_back(kAccount);
    accounts_.push_back(kAccount);
    EXPECT_EQ(ConnectServer("127.0.0.1", server_.port(), kAccount, nullptr), 1);
    EXPECT_EQ(ConnectServer("127.0.0.1", server_.port(), kAccount, nullptr), 1);
    ASSERT_TRUE(server_.WaitForClients(2));
    const std::uint8_t query[32] = {'c', 'a', 'r', 'd'};
    EXPECT_EQ(SendData(kAccount, query, 32, CMD_CARD_QUERY), 1);
    // The earlier connection is found first; the later one received nothing (not even a login).
    auto first = server_.Client(0);
    ASSERT_TRUE(first->WaitForPackets(1));
    EXPECT_EQ(first->Packets().at(0).header.command, CMD_CARD_QUERY);
    EXPECT_EQ(server_.Client(1)->PacketCount(), 0u);
}

TEST(InitTest, InvalidHostStillCreatesTheDownloadFolder) {
    char pattern[] = "/tmp/tessnet-init-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path folder = std::filesystem::path(pattern) / "a" / "b" / "c";
    EXPECT_EQ(InitFtpDll(nullptr, kMessage, folder.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    TessHost noPost{};
    EXPECT_EQ(InitFtpDll(&noPost, kMessage, folder.c_str()), 0);
    EventLoopHost host;
    EXPECT_EQ(InitFtpDll(host.descriptor(), kMessage, folder.c_str()), 1);
    EXPECT_EQ(InitFtpDll(host.descriptor(), kMessage + 1, folder.c_str()), 1);
    EXPECT_EQ(FreeFtpDll(), 1);
    std::filesystem::remove_all(pattern);
}

// A host that shuts down may never run what was posted to it. The calls it dropped are freed when
// the library ends (LeakSanitizer would see them otherwise), and one the host runs late does
// nothing: the window procedure is not reached.
TEST(InitTest, CallsAHostNeverRanAreFreedAndLateRunsDoNothing) {
    struct DroppingHost {
        std::mutex mutex;
        std::condition_variable cv;
        std::vector<std::pair<void (*)(void*), void*>> posted;
        std::atomic<int> notes{0};
    } dropping;
    TessHost host{};
    host.context = &dropping;
    host.post = [](void* context, void (*fn)(void*), void* arg) {
        auto* self = static_cast<DroppingHost*>(context);
        std::lock_guard lock(self->mutex);
        self->posted.emplace_back(fn, arg);
        self->cv.notify_all();
    };
    host.window_proc = [](void* context, int, int, const void*) {
        ++static_cast<DroppingHost*>(context)->notes;
    };
    char pattern[] = "/tmp/tessnet-drop-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_EQ(InitFtpDll(&host, kMessage, pattern), 1);

    FakeServer server;
    ASSERT_EQ(ConnectServer("127.0.0.1", server.port(), "0086-10-1", "key"), 1);
    ASSERT_TRUE(server.WaitForClients(1));
    ASSERT_TRUE(server.Client(0)->Send(CMD_LOGIN_RESULT, {1, 'o', 'k', 0}));
    // The reader posts the login reply and waits for a delivery that never comes.
    {
        std::unique_lock lock(dropping.mutex);
        ASSERT_TRUE(dropping.cv.wait_for(lock, std::chrono::seconds(10),
                                         [&] { return !dropping.posted.empty(); }));
    }
    EXPECT_EQ(FreeFtpDll(), 1);

    std::vector<std::pair<void (*)(void*), void*>> late;
    {
        std::lock_guard lock(dropping.mutex);
        late.swap(dropping.posted);
    }
    for (auto [fn, arg] : late) fn(arg);
    EXPECT_EQ(dropping.notes.load(), 0);
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace tessnet::testing
