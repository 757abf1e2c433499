// tessd driven through the tessnet library as its client: the exports, the library's reader and
// sender threads and the notifications a host sees, against a real server on loopback.
#include <fstream>

#include "event_loop_host.h"
#include "remote.h"
#include "tessnet/tessnet.h"
#include "test_client.h"
#include "text.h"

namespace tessd::test {
namespace {

namespace fs = std::filesystem;
using tessnet::testing::EventLoopHost;
using tessnet::testing::Note;

constexpr int kMessage = 2048;

class IntegrationTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        local_ = root_ / "client";
        fs::create_directories(local_);
        ASSERT_EQ(InitFtpDll(host_.descriptor(), kMessage, (local_ / "tessan").c_str()), 1);
    }
    void TearDown() override {
        for (const auto& account : connected_) DisconnectServer(account.c_str());
        FreeFtpDll();
        std::error_code ec;
        fs::remove_all(local_, ec);
        ServerTest::TearDown();
    }

    // Waits for the next notification of `type` after those already seen.
    std::optional<Note> Next(int type, std::chrono::milliseconds timeout = 10000ms) {
        const std::size_t seen = seen_[type];
        if (!host_.WaitForType(type, seen + 1, timeout)) return std::nullopt;
        seen_[type] = seen + 1;
        return host_.NotesOfType(type).at(seen);
    }

    void LogIn(const Account& a, const std::string& key, std::uint16_t port) {
        connected_.push_back(a.number);
        ASSERT_EQ(ConnectServer("127.0.0.1", port, a.number.c_str(), key.c_str()), 1);
        auto login = Next(TESS_NOTE_LOGIN);
        ASSERT_TRUE(login);
        ASSERT_EQ(login->Status(), 1) << login->DataText(0);
    }

    std::string WriteLocal(const std::string& name, const Bytes& content) {
        const fs::path path = local_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()),
                   static_cast<std::streamsize>(content.size()));
        return path.string();
    }

    static Bytes ReadLocal(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Sends a local file into `to`'s space from `from`, logged in with `to`'s public key.
    // Returns the upload answer (type 9) that ends it.
    std::optional<Note> SendFile(const Account& from, const Account& to, const std::string& path,
                                 std::uint16_t port) {
        if (ConnectServer("127.0.0.1", port, to.number.c_str(), to.publicKey.c_str()) != 1)
            return std::nullopt;
        connected_.push_back(to.number);
        if (UploadFile(from.number.c_str(), to.number.c_str(), path.c_str()) != 1)
            return std::nullopt;
        return Next(TESS_NOTE_UPLOAD_ANSWER);
    }

    // Lists the own space; returns the stored names from the 30 notifications before the 5.
    std::vector<FileEntry> List(const Account& owner) {
        const std::size_t before = host_.CountType(TESS_NOTE_FILE_ENTRIES);
        EXPECT_EQ(ListFile(owner.number.c_str()), 1);
        EXPECT_TRUE(Next(TESS_NOTE_LIST_SUMMARY));
        std::vector<FileEntry> out;
        const auto notes = host_.NotesOfType(TESS_NOTE_FILE_ENTRIES);
        for (std::size_t i = before; i < notes.size(); ++i)
            for (std::size_t at = 0; at + FileEntry::kSize <= notes[i].DataLength();
                 at += FileEntry::kSize)
                out.push_back(FileEntry::Decode(notes[i].Data() + at));
        seen_[TESS_NOTE_FILE_ENTRIES] = notes.size();
        return out;
    }

    EventLoopHost host_;
    fs::path local_;
    std::vector<std::string> connected_;
    std::map<int, std::size_t> seen_;
};

TEST_F(IntegrationTest, RegisterAddFriendSendListDownloadDelete) {
    // Register a new account; the server closes the registration connection after its answer.
    UserProfile p;
    p.SetNumber("0086-10-5656565");
    p.SetName(Gbk("赵六"));
    p.SetPublicKey("0086-10-5656565");
    p.SetPrivateKey("zhao-private");
    p.SetUserType('0');
    ASSERT_EQ(RegisterUser("127.0.0.1", port_, p.data()), 1);
    auto reg = Next(TESS_NOTE_REGISTER);
    ASSERT_TRUE(reg);
    EXPECT_EQ(reg->Status(), 1);
    auto closed = Next(TESS_NOTE_DISCONNECTED);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->Account(), "");
    const Account zhao{"0086-10-5656565", "zhao-private", "0086-10-5656565", Gbk("赵六")};

    // Log in: the own profile follows, with the own private key.
    LogIn(zhao, zhao.privateKey, port_);
    auto own = Next(TESS_NOTE_OWN_PROFILE);
    ASSERT_TRUE(own);
    const UserProfile ownProfile = UserProfile::FromBytes(own->Data(), own->DataLength());
    EXPECT_EQ(ownProfile.PrivateKey(), zhao.privateKey);
    EXPECT_EQ(ownProfile.Name(), zhao.name);

    // Add Bob with his public key: result 13, then his entry as 28.
    Bytes record(FriendRecord::kSize, 0);
    WriteText(record.data() + FriendRecord::kOwner, kKeyWidth, zhao.number);
    WriteText(record.data() + FriendRecord::kFriendNumber, kKeyWidth, bob_.number);
    WriteText(record.data() + FriendRecord::kFriendKey, kKeyWidth, bob_.publicKey);
    ASSERT_EQ(AddFriend(zhao.number.c_str(), record.data()), 1);
    auto added = Next(TESS_NOTE_ADD_FRIEND);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->Status(), 1);
    EXPECT_EQ(added->DataText(64), Gbk("添加好友成功!"));
    auto entry = Next(TESS_NOTE_ADDRESS_BOOK);
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->DataLength(), UserProfile::kSize);
    EXPECT_EQ(UserProfile::FromBytes(entry->Data(), UserProfile::kSize).Number(), bob_.number);

    // Send a three-chunk file into Bob's space through his public key.
    const Bytes content = RandomBytes(2 * 7848 + 100, 42);
    const std::string name = Gbk("照片.jpg");
    const std::string path = WriteLocal("照片.jpg", content);
    auto done = SendFile(zhao, bob_, path, port_);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->Status(), 1);
    EXPECT_EQ(done->Data()[0], kUploadReceived);
    EXPECT_EQ(done->DataText(1), name);
    EXPECT_TRUE(Next(TESS_NOTE_QUEUE_EMPTY));
    DisconnectServer(bob_.number.c_str());

    // Bob lists, downloads byte-identical, deletes.
    LogIn(bob_, bob_.privateKey, port_);
    auto files = List(bob_);
    ASSERT_EQ(files.size(), 1u);
    const std::string stored = zhao.number + "@" + name;
    EXPECT_EQ(files[0].storedName, stored);
    EXPECT_EQ(files[0].senderName, zhao.name);
    EXPECT_EQ(files[0].fileSize, content.size());

    ASSERT_EQ(DownLoad(bob_.number.c_str(), stored.c_str()), 1);
    auto downloaded = Next(TESS_NOTE_DOWNLOAD_ANSWER);
    ASSERT_TRUE(downloaded);
    EXPECT_EQ(downloaded->Status(), 1);
    EXPECT_EQ(downloaded->DataText(0), name);
    EXPECT_EQ(ReadLocal(local_ / "tessan" / "照片.jpg"), content);

    ASSERT_EQ(DelFile(bob_.number.c_str(), stored.c_str()), 1);
    auto deleted = Next(TESS_NOTE_DELETE);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->Status(), 1);
    EXPECT_TRUE(List(bob_).empty());
}

TEST_F(IntegrationTest, OverwriteIsConfirmedOrCancelledByTheHost) {
    const std::string path = WriteLocal("note.txt", Bytes(3000, 'a'));
    auto first = SendFile(alice_, bob_, path, port_);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->Data()[0], kUploadReceived);
    ASSERT_TRUE(Next(TESS_NOTE_QUEUE_EMPTY));

    // The host answers the "exists" question from inside the notification, like the client.
    int goAhead = 0;
    host_.on_note = [&](const Note& note) {
        if (note.type == TESS_NOTE_UPLOAD_ANSWER && note.Data()[0] == kUploadExists)
            Confirm(note.Account().c_str(), note.DataText(1).c_str(), goAhead);
    };
    WriteLocal("note.txt", Bytes(1000, 'b'));
    ASSERT_EQ(UploadFile(alice_.number.c_str(), bob_.number.c_str(), path.c_str()), 1);
    auto asked = Next(TESS_NOTE_UPLOAD_ANSWER);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->Data()[0], kUploadExists);
    EXPECT_EQ(store_->Files(bob_.number).at(0).size, 3000u);

    goAhead = 1;
    ASSERT_EQ(UploadFile(alice_.number.c_str(), bob_.number.c_str(), path.c_str()), 1);
    ASSERT_EQ(Next(TESS_NOTE_UPLOAD_ANSWER)->Data()[0], kUploadExists);
    auto done = Next(TESS_NOTE_UPLOAD_ANSWER);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->Data()[0], kUploadReceived);
    const auto files = store_->Files(bob_.number);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size, 1000u);
}

TEST_F(IntegrationTest, QuotaRefusalReachesTheHostWithItsText) {
    const fs::path path = local_ / "big.bin";
    std::ofstream(path).close();
    fs::resize_file(path, (5u << 20) + 1);  // sparse: one byte over the free tier
    auto answer = SendFile(alice_, bob_, path.string(), port_);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Status(), 0);
    EXPECT_EQ(answer->Data()[0], kUploadOverQuota);
    EXPECT_NE(answer->DataText(262).find(Gbk("空间已满")), std::string::npos);
    EXPECT_TRUE(store_->Files(bob_.number).empty());
}

TEST_F(IntegrationTest, RechargeOnAPlainConnection) {
    store_->AddCard("500001", "secret", '3');
    connected_.push_back(alice_.number);
    ASSERT_EQ(ConnectServer("127.0.0.1", port_, alice_.number.c_str(), nullptr), 1);
    Bytes query(RechargeRequest::kQuerySize, 0);
    WriteText(query.data(), kKeyWidth, alice_.number);
    ASSERT_EQ(SendData(alice_.number.c_str(), query.data(), static_cast<int>(query.size()), 40), 1);
    auto verdict = Next(TESS_NOTE_CARD_ANSWER);
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->Data()[0], '0');

    Bytes request(RechargeRequest::kSize, 0);
    WriteText(request.data() + RechargeRequest::kNumber, kKeyWidth, alice_.number);
    request[RechargeRequest::kCardType] = '3';
    WriteText(request.data() + RechargeRequest::kCardNumber, kKeyWidth, "500001");
    WriteText(request.data() + RechargeRequest::kCardPassword, kKeyWidth, "secret");
    ASSERT_EQ(SendData(alice_.number.c_str(), request.data(), static_cast<int>(request.size()), 36),
              1);
    auto result = Next(TESS_NOTE_NOTICE);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Data()[0], 1);
    EXPECT_FALSE(result->DataText(1).empty());
    EXPECT_EQ(store_->FindAccount(alice_.number)->UserType(), '3');

    // The same card again is refused.
    ASSERT_EQ(SendData(alice_.number.c_str(), request.data(), static_cast<int>(request.size()), 36),
              1);
    result = Next(TESS_NOTE_NOTICE);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Data()[0], 0);
}

TEST_F(IntegrationTest, TwoServersWithAServerList) {
    // A second server holds the 0086-20 accounts.
    const fs::path otherDir = root_ / "other";
    std::string error;
    auto otherStore = Store::Open(otherDir, error);
    ASSERT_TRUE(otherStore) << error;
    const Account dave{"0086-20-4444444", "dave-private", "dave-public", "Dave"};
    UserProfile p;
    p.SetNumber(dave.number);
    p.SetPrivateKey(dave.privateKey);
    p.SetPublicKey(dave.publicKey);
    p.SetName(dave.name);
    ASSERT_TRUE(otherStore->CreateAccount(p));
    Server other(*otherStore, {});
    ASSERT_TRUE(other.Start(error)) << error;

    const fs::path ini = local_ / "serverlist.ini";
    std::ofstream(ini) << "[0086-10]\r\nserver=127.0.0.1\r\nport=" << port_
                       << "\r\n[0086-20]\r\nserver=127.0.0.1\r\nport=" << other.Port() << "\r\n";
    const auto list = ServerList::Load(ini);
    ASSERT_TRUE(list);

    // Alice is logged in on her server while she sends to Dave on his.
    LogIn(alice_, alice_.privateKey, list->Resolve(alice_.number)->port);
    const std::string path = WriteLocal("cross.txt", Bytes(20000, 'c'));
    auto done = SendFile(alice_, dave, path, list->Resolve(dave.number)->port);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->Data()[0], kUploadReceived);
    DisconnectServer(dave.number.c_str());

    LogIn(dave, dave.privateKey, list->Resolve(dave.number)->port);
    const auto files = List(dave);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].storedName, alice_.number + "@cross.txt");
    EXPECT_TRUE(store_->Files(dave.number).empty());

    for (const auto& account : connected_) DisconnectServer(account.c_str());
    connected_.clear();
    other.Stop();
    otherStore.reset();
    fs::remove_all(otherDir);
}

}  // namespace
}  // namespace tessd::test
