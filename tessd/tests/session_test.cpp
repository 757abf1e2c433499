// Accounts, logins, address books, profiles and recharge, over real sockets.
#include "packet.h"
#include "test_client.h"
#include "text.h"

#include <algorithm>

namespace tessd::test {
namespace {

using namespace tessnet;

Bytes RegistrationPayload(const UserProfile& p) {
    Bytes b(kRegisterSize, 0);
    std::copy(p.data(), p.data() + UserProfile::kSize, b.begin() + kRegisterProfileOffset);
    return b;
}

Bytes FriendPayload(std::string_view owner, std::string_view number, std::string_view key) {
    Bytes b(FriendRecord::kSize, 0);
    WriteText(b.data() + FriendRecord::kOwner, kKeyWidth, owner);
    WriteText(b.data() + FriendRecord::kFriendNumber, kKeyWidth, number);
    WriteText(b.data() + FriendRecord::kFriendKey, kKeyWidth, key);
    return b;
}

std::vector<UserProfile> Profiles(const Packet& p) {
    std::vector<UserProfile> out;
    for (std::size_t at = 0; at + UserProfile::kSize <= p.payload.size(); at += UserProfile::kSize)
        out.push_back(UserProfile::FromBytes(p.payload.data() + at, UserProfile::kSize));
    return out;
}

using LoginTest = ServerTest;

TEST_F(LoginTest, OwnerGetsProfileThenAddressBookWithoutFriendsPrivateKeys) {
    store_->PutFriend(alice_.number, bob_.number, bob_.publicKey);
    auto c = Connect();
    c->Login(alice_.number, alice_.privateKey);
    auto r1 = c->Receive();
    ASSERT_TRUE(r1);
    EXPECT_EQ(r1->header.command, CMD_LOGIN_RESULT);
    EXPECT_EQ(r1->payload[0], 1);
    EXPECT_EQ(TextAt(r1->payload, 1), Gbk("登录成功!"));

    auto own = c->Receive();
    ASSERT_TRUE(own);
    ASSERT_EQ(own->header.command, CMD_OWN_PROFILE);
    ASSERT_EQ(own->payload.size(), UserProfile::kSize);
    EXPECT_EQ(Profiles(*own)[0].PrivateKey(), alice_.privateKey);

    auto book = c->Receive();
    ASSERT_TRUE(book);
    ASSERT_EQ(book->header.command, CMD_ADDRESS_BOOK);
    const auto entries = Profiles(*book);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Number(), bob_.number);
    EXPECT_EQ(entries[0].Name(), bob_.name);
    EXPECT_EQ(entries[0].PublicKey(), bob_.publicKey);
    for (std::size_t i = 0; i < kKeyWidth; ++i)
        EXPECT_EQ(entries[0].data()[UserProfile::kPrivateKey + i], 0) << i;
}

TEST_F(LoginTest, PublicKeyOpensSenderSessionOnly) {
    auto c = Connect();
    EXPECT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
    // Nothing but the login result: the answer to the next request comes next, with no
    // profile or address book before it.
    const Bytes list{'l', 'i', 's', 't', ' ', 'f', 'i', 'l', 'e'};
    c->Send(CMD_LIST, list);
    auto summary = c->Receive();
    ASSERT_TRUE(summary);
    ASSERT_EQ(summary->header.command, CMD_LIST_SUMMARY);
    EXPECT_EQ(summary->payload[0], 0);
    c->SendName(CMD_DOWNLOAD, alice_.number + "@x.txt");
    auto dl = c->Expect(CMD_DOWNLOAD_ANSWER);
    ASSERT_TRUE(dl);
    EXPECT_EQ(dl->payload[0], 0);
    c->Send(CMD_MODIFY_USER, Bytes(UserProfile::kSize, 0));
    auto mod = c->Expect(CMD_MODIFY_USER_RESULT);
    ASSERT_TRUE(mod);
    EXPECT_EQ(mod->payload[0], 0);
}

TEST_F(LoginTest, WrongKeyUnknownAccountAndUpgradeAreRefusedWithText) {
    auto c = Connect();
    EXPECT_EQ(c->LoginStatus(alice_.number, "nope"), 0);
    EXPECT_EQ(c->LoginStatus(alice_.number, ""), 0);
    EXPECT_EQ(c->LoginStatus("0086-10-9999999", "x"), 0);
    // The refused session may not act.
    c->Send(CMD_DELETE, Bytes(kNameWidth, 0));
    auto del = c->Expect(CMD_DELETE_RESULT);
    ASSERT_TRUE(del);
    EXPECT_EQ(del->payload[0], 0);

    ServerOptions options;
    options.hooks.upgradeNotice = Gbk("请下载新版本");
    StartServer(options);
    auto d = Connect();
    d->Login(alice_.number, alice_.privateKey);
    auto r = d->Expect(CMD_LOGIN_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);
    EXPECT_EQ(TextAt(r->payload, 1), "-1025" + Gbk("请下载新版本"));
}

TEST_F(LoginTest, HooksFollowOwnerLogin) {
    ServerOptions options;
    options.hooks.paymentReminder = Gbk("请续费");
    options.hooks.notice = Gbk("服务器维护");
    options.hooks.serverData = "raw-data";
    StartServer(options);
    auto c = LoginOwner(alice_);
    auto reminder = c->Expect(CMD_PAYMENT_REMINDER);
    ASSERT_TRUE(reminder);
    EXPECT_EQ(TextAt(reminder->payload, 1), Gbk("请续费"));
    auto notice = c->Expect(CMD_NOTICE);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->payload[0], 1);
    EXPECT_EQ(TextAt(notice->payload, 1), Gbk("服务器维护"));
    auto data = c->Expect(CMD_SERVER_DATA);
    ASSERT_TRUE(data);
    EXPECT_EQ(std::string(data->payload.begin(), data->payload.end()), "raw-data");
}

TEST_F(LoginTest, LargeAddressBookSpansSeveralPackets) {
    for (int i = 0; i < 20; ++i) {
        const Account f{"0086-10-80000" + std::to_string(10 + i), "p", "k" + std::to_string(i),
                        "F"};
        AddAccount(f);
        store_->PutFriend(alice_.number, f.number, f.publicKey);
    }
    auto c = LoginOwner(alice_);
    std::vector<std::string> numbers;
    while (numbers.size() < 20) {
        auto p = c->Expect(CMD_ADDRESS_BOOK);
        ASSERT_TRUE(p);
        EXPECT_LE(p->payload.size(), kMaxRawPayload);
        EXPECT_EQ(p->payload.size() % UserProfile::kSize, 0u);
        for (const auto& e : Profiles(*p)) numbers.push_back(e.Number());
    }
    EXPECT_EQ(numbers.front(), "0086-10-8000010");
    EXPECT_EQ(numbers.back(), "0086-10-8000029");
}

using RegisterTest = ServerTest;

TEST_F(RegisterTest, NewAccountStartsFreeAndConnectionCloses) {
    UserProfile p;
    p.SetNumber("0086-10-4444444");
    p.SetName(Gbk("新用户"));
    p.SetPublicKey("0086-10-4444444");
    p.SetPrivateKey("secret");
    p.SetUserType('3');  // asks for gold; gets free
    auto c = Connect();
    c->Send(CMD_REGISTER, RegistrationPayload(p));
    auto r = c->Expect(CMD_REGISTER_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 1);
    EXPECT_TRUE(c->WaitClosed());
    const auto stored = store_->FindAccount("0086-10-4444444");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->UserType(), '0');
    EXPECT_EQ(stored->Name(), Gbk("新用户"));
    EXPECT_EQ(Connect()->LoginStatus("0086-10-4444444", "secret"), 1);
}

TEST_F(RegisterTest, ExistingMalformedOrIncompleteAreRefused) {
    struct Case {
        std::string number, privateKey, publicKey, name;
    };
    const Case cases[] = {
        {alice_.number, "x", "y", "Mallory"},      // exists: must not overwrite Alice
        {"86-10-1234567", "x", "y", "n"},          // country code without 00
        {"0086-010-1234567", "x", "y", "n"},       // area code with leading 0
        {"0086-10-123456", "x", "y", "n"},         // six digits
        {"0086-10-12a4567", "x", "y", "n"},        // not digits
        {"0086-10-1234567", "same", "same", "n"},  // keys equal
        {"0086-10-1234567", "", "y", "n"},         // empty private key
        {"0086-10-1234567", "x", "y", ""},         // no name
    };
    for (const Case& k : cases) {
        UserProfile p;
        p.SetNumber(k.number);
        p.SetPrivateKey(k.privateKey);
        p.SetPublicKey(k.publicKey);
        p.SetName(k.name);
        auto c = Connect();
        c->Send(CMD_REGISTER, RegistrationPayload(p));
        auto r = c->Expect(CMD_REGISTER_RESULT);
        ASSERT_TRUE(r) << k.number;
        EXPECT_EQ(r->payload[0], 0) << k.number;
        EXPECT_FALSE(TextAt(r->payload, 1).empty());
        EXPECT_TRUE(c->WaitClosed());
    }
    EXPECT_EQ(store_->FindAccount(alice_.number)->PrivateKey(), alice_.privateKey);
    EXPECT_FALSE(store_->FindAccount("0086-10-1234567"));
}

using AddressBookTest = ServerTest;

TEST_F(AddressBookTest, AddChecksKeyAndSendsEntry) {
    auto c = LoginOwner(alice_);
    c->Send(CMD_ADD_FRIEND, FriendPayload(alice_.number, bob_.number, "wrong"));
    auto r = c->Expect(CMD_ADD_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);
    EXPECT_FALSE(TextAt(r->payload, kFriendReplyText).empty());
    EXPECT_FALSE(store_->HasFriend(alice_.number, bob_.number));

    c->Send(CMD_ADD_FRIEND, FriendPayload(alice_.number, bob_.number, bob_.publicKey));
    r = c->Expect(CMD_ADD_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 1);
    EXPECT_EQ(TextAt(r->payload, kFriendReplyText), Gbk("添加好友成功!"));
    auto entry = c->Expect(CMD_ADDRESS_BOOK);
    ASSERT_TRUE(entry);
    const auto profiles = Profiles(*entry);
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0].Number(), bob_.number);
    EXPECT_EQ(profiles[0].PrivateKey(), "");

    for (const std::string& bad : {alice_.number, std::string("0086-10-9999999")}) {
        c->Send(CMD_ADD_FRIEND, FriendPayload(alice_.number, bad, bad));
        r = c->Expect(CMD_ADD_FRIEND_RESULT);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->payload[0], 0) << bad;
    }
}

TEST_F(AddressBookTest, RequestsNeverTouchAnotherAccountsBook) {
    store_->PutFriend(bob_.number, carol_.number, carol_.publicKey);
    auto c = LoginOwner(alice_);
    // Owner field naming Bob: refused, Bob's book unchanged.
    c->Send(CMD_ADD_FRIEND, FriendPayload(bob_.number, alice_.number, alice_.publicKey));
    auto r = c->Expect(CMD_ADD_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);
    c->Send(CMD_MODIFY_FRIEND, FriendPayload(bob_.number, carol_.number, carol_.publicKey));
    r = c->Expect(CMD_MODIFY_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);
    // Deleting acts on the session's own book only.
    c->Send(CMD_DEL_FRIEND, FriendPayload("", carol_.number, ""));
    r = c->Expect(CMD_DEL_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);
    EXPECT_EQ(TextAt(r->payload, kFriendReplyNumber, kKeyWidth), carol_.number);
    EXPECT_TRUE(store_->HasFriend(bob_.number, carol_.number));
    EXPECT_FALSE(store_->HasFriend(bob_.number, alice_.number));
}

TEST_F(AddressBookTest, ChangeAndDeleteEchoNumberAndKey) {
    store_->PutFriend(alice_.number, bob_.number, "old-key");
    auto c = LoginOwner(alice_);
    c->Send(CMD_MODIFY_FRIEND, FriendPayload(alice_.number, bob_.number, "guess"));
    auto r = c->Expect(CMD_MODIFY_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 0);

    c->Send(CMD_MODIFY_FRIEND, FriendPayload(alice_.number, bob_.number, bob_.publicKey));
    r = c->Expect(CMD_MODIFY_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 1);
    EXPECT_EQ(TextAt(r->payload, kFriendReplyNumber, kKeyWidth), bob_.number);
    EXPECT_EQ(TextAt(r->payload, kFriendReplyKey, kKeyWidth), bob_.publicKey);
    EXPECT_EQ(store_->Friends(alice_.number).at(0).key, bob_.publicKey);

    c->Send(CMD_DEL_FRIEND, FriendPayload("", bob_.number, ""));
    r = c->Expect(CMD_DEL_FRIEND_RESULT);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->payload[0], 1);
    EXPECT_EQ(TextAt(r->payload, kFriendReplyNumber, kKeyWidth), bob_.number);
    EXPECT_FALSE(store_->HasFriend(alice_.number, bob_.number));
}

using ProfileTest = ServerTest;

TEST_F(ProfileTest, ChangeKeepsNumberAndTypeAndNewKeyWorksAtNextLogin) {
    auto c = LoginOwner(alice_);
    UserProfile p = *store_->FindAccount(alice_.number);
    p.SetName("Alice B.");
    p.SetPrivateKey("new-private");
    p.SetUserType('3');
    c->Send(CMD_MODIFY_USER, Bytes(p.data(), p.data() + UserProfile::kSize));
    auto r = c->Receive();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->header.command, CMD_MODIFY_USER_RESULT);
    EXPECT_EQ(r->payload[0], 1);
    const auto stored = store_->FindAccount(alice_.number);
    EXPECT_EQ(stored->Name(), "Alice B.");
    EXPECT_EQ(stored->UserType(), '0');
    // Right after the result: the own profile as stored, the kept type and the new key with it.
    const auto own = c->Receive();
    ASSERT_TRUE(own);
    ASSERT_EQ(own->header.command, CMD_OWN_PROFILE);
    ASSERT_EQ(own->payload.size(), UserProfile::kSize);
    EXPECT_TRUE(std::equal(own->payload.begin(), own->payload.end(), stored->data()));
    const UserProfile sent = UserProfile::FromBytes(own->payload.data(), own->payload.size());
    EXPECT_EQ(sent.UserType(), '0');
    EXPECT_EQ(sent.PrivateKey(), "new-private");
    EXPECT_EQ(Connect()->LoginStatus(alice_.number, alice_.privateKey), 0);
    EXPECT_EQ(Connect()->LoginStatus(alice_.number, "new-private"), 1);

    // A record carrying another number changes nothing.
    UserProfile other = *store_->FindAccount(bob_.number);
    other.SetPrivateKey("hijacked");
    c->Send(CMD_MODIFY_USER, Bytes(other.data(), other.data() + UserProfile::kSize));
    r = c->Receive();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->header.command, CMD_MODIFY_USER_RESULT);
    EXPECT_EQ(r->payload[0], 0);
    EXPECT_EQ(store_->FindAccount(bob_.number)->PrivateKey(), bob_.privateKey);
    // A refusal changes no profile, so none follows: the next packet answers the next request.
    c->Send(CMD_MODIFY_USER, Bytes(p.data(), p.data() + UserProfile::kSize));
    r = c->Receive();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header.command, CMD_MODIFY_USER_RESULT);
}

using RechargeTest = ServerTest;

TEST_F(RechargeTest, QueryThenCardUpgradesOnceOnAPlainConnection) {
    store_->AddCard("C-100", "pw", '2');
    auto c = Connect();
    Bytes query(RechargeRequest::kQuerySize, 0);
    WriteText(query.data(), kKeyWidth, alice_.number);
    c->Send(CMD_CARD_QUERY, query);
    auto v = c->Expect(CMD_CARD_ANSWER);
    ASSERT_TRUE(v);
    ASSERT_EQ(v->payload.size(), 1u);
    EXPECT_EQ(v->payload[0], '0');

    auto request = [&](std::string_view number, char type, std::string_view card,
                       std::string_view password) {
        Bytes b(RechargeRequest::kSize, 0);
        WriteText(b.data() + RechargeRequest::kNumber, kKeyWidth, number);
        b[RechargeRequest::kCardType] = static_cast<std::uint8_t>(type);
        WriteText(b.data() + RechargeRequest::kCardNumber, kKeyWidth, card);
        WriteText(b.data() + RechargeRequest::kCardPassword, kKeyWidth, password);
        c->Send(CMD_RECHARGE, b);
        auto r = c->Expect(CMD_NOTICE);
        return r ? r->payload[0] : -1;
    };
    EXPECT_EQ(request(alice_.number, '2', "C-100", "wrong"), 0);
    EXPECT_EQ(request(alice_.number, '1', "C-100", "pw"), 0);  // card is of type 2
    EXPECT_EQ(request(alice_.number, '2', "C-100", "pw"), 1);
    EXPECT_EQ(store_->FindAccount(alice_.number)->UserType(), '2');
    store_->AddCard("C-101", "pw", '2');
    EXPECT_EQ(request(bob_.number, '2', "C-100", "pw"), 0);  // used
    EXPECT_EQ(store_->FindAccount(bob_.number)->UserType(), '0');

    // A paid account renews its own tier only.
    c->Send(CMD_CARD_QUERY, query);
    v = c->Expect(CMD_CARD_ANSWER);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->payload[0], '2');
    WriteText(query.data(), kKeyWidth, "0086-10-9999999");
    c->Send(CMD_CARD_QUERY, query);
    v = c->Expect(CMD_CARD_ANSWER);
    ASSERT_TRUE(v);
    EXPECT_NE(v->payload[0], '0');
    EXPECT_TRUE(v->payload[0] < '0' || v->payload[0] > '3');
}

}  // namespace
}  // namespace tessd::test
