// Two servers: a friend held by the other server is checked there, and files for an account
// land in that account's space on its own server only.
#include <fstream>

#include "packet.h"
#include "remote.h"
#include "test_client.h"

namespace tessd::test {
namespace {

using namespace tessnet;
namespace fs = std::filesystem;

class TwoServerTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        otherDir_ = root_ / "other";
        fs::remove_all(otherDir_);
        std::string error;
        otherStore_ = Store::Open(otherDir_, error);
        ASSERT_TRUE(otherStore_) << error;
        UserProfile p;
        p.SetNumber(dave_.number);
        p.SetPrivateKey(dave_.privateKey);
        p.SetPublicKey(dave_.publicKey);
        p.SetName(dave_.name);
        WriteText(p.data() + UserProfile::kCompany, 128, "Dave & Co");
        p.SetUserType('2');
        ASSERT_TRUE(otherStore_->CreateAccount(p));
        ServerOptions options;
        options.port = 0;
        other_ = std::make_unique<Server>(*otherStore_, options);
        ASSERT_TRUE(other_->Start(error)) << error;

        // This server asks the other about 0086-20 accounts.
        const std::string otherSection =
            "[0086-20]\nserver=127.0.0.1\nport=" + std::to_string(other_->Port()) + "\n";
        ServerOptions mine;
        mine.remoteLookup = MakeRemoteLookup(ServerList::Parse(otherSection), {"127.0.0.1", 0});
        StartServer(mine);
        // The mapping a client would use: 0086-10 here, 0086-20 on the other server.
        list_ = ServerList::Parse("[0086-10]\nserver=127.0.0.1\nport=" + std::to_string(port_) +
                                  "\n" + otherSection);
    }
    void TearDown() override {
        other_->Stop();
        other_.reset();
        otherStore_.reset();
        std::error_code ec;
        fs::remove_all(otherDir_, ec);
        ServerTest::TearDown();
    }

    const Account dave_{"0086-20-4444444", "dave-private", "dave-public", "Dave"};
    fs::path otherDir_;
    std::unique_ptr<Store> otherStore_;
    std::unique_ptr<Server> other_;
    ServerList list_;
};

TEST_F(TwoServerTest, FriendOnTheOtherServerIsCheckedAndNamedThere) {
    auto c = LoginOwner(alice_);
    auto add = [&](std::string_view key) {
        Bytes b(FriendRecord::kSize, 0);
        WriteText(b.data() + FriendRecord::kOwner, kKeyWidth, alice_.number);
        WriteText(b.data() + FriendRecord::kFriendNumber, kKeyWidth, dave_.number);
        WriteText(b.data() + FriendRecord::kFriendKey, kKeyWidth, key);
        c->Send(CMD_ADD_FRIEND, b);
        auto r = c->Expect(CMD_ADD_FRIEND_RESULT, 8000ms);
        return r ? r->payload[0] : -1;
    };
    auto expectDave = [&](const Packet& entry) {
        const UserProfile p = UserProfile::FromBytes(entry.payload.data(), entry.payload.size());
        EXPECT_EQ(p.Number(), dave_.number);
        EXPECT_EQ(p.PublicKey(), dave_.publicKey);
        EXPECT_EQ(p.Name(), dave_.name);
        EXPECT_EQ(ReadText(p.data() + UserProfile::kCompany, 128), "Dave & Co");
        EXPECT_EQ(p.UserType(), '2');
        for (std::size_t i = 0; i < kKeyWidth; ++i)
            ASSERT_EQ(p.data()[UserProfile::kPrivateKey + i], 0) << i;
    };
    EXPECT_EQ(add("guess"), 0);
    EXPECT_EQ(add(dave_.publicKey), 1);
    auto entry = c->Expect(CMD_ADDRESS_BOOK);
    ASSERT_TRUE(entry);
    expectDave(*entry);
    ASSERT_EQ(Upload(alice_, "hi.txt", Bytes{'h', 'i'}, dave_.number), kUploadReceived);

    // Kept here: the entry and the files Dave sent still carry his name while his server is down,
    // and adding him again while it is down is refused as unconfirmed.
    other_->Stop();
    auto again = LoginOwner(alice_);
    auto book = again->Expect(CMD_ADDRESS_BOOK);
    ASSERT_TRUE(book);
    expectDave(*book);
    const auto files = ListFiles(*again);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].senderName, dave_.name);
    c = std::move(again);
    EXPECT_EQ(add(dave_.publicKey), 0);
}

TEST_F(TwoServerTest, UploadsLandOnTheRecipientsServer) {
    // Alice (here) sends to Dave: the client resolves Dave's server and logs in there.
    const auto daveServer = list_.Resolve(dave_.number);
    ASSERT_TRUE(daveServer);
    ASSERT_EQ(daveServer->port, other_->Port());
    RawClient toDave(daveServer->port);
    ASSERT_EQ(toDave.LoginStatus(dave_.number, dave_.publicKey), 1);
    toDave.Announce("hello.txt", 5, alice_.number);
    ASSERT_EQ(toDave.Expect(CMD_ANNOUNCE_ANSWER)->payload[1], kUploadGo);
    toDave.SendChunks("hello.txt", Bytes{'h', 'e', 'l', 'l', 'o'}, alice_.number);
    auto done = toDave.Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->payload[1], kUploadReceived);

    EXPECT_EQ(otherStore_->Files(dave_.number).size(), 1u);
    EXPECT_TRUE(store_->Files(dave_.number).empty());
    // Dave does not exist here at all.
    EXPECT_EQ(Connect()->LoginStatus(dave_.number, dave_.publicKey), 0);
}

}  // namespace
}  // namespace tessd::test
