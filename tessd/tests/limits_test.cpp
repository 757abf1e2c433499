// Connections that never log in cannot keep clients out: the login time limit on a fake clock,
// each address's share of the slots, and slots taken back from connections without a login.
#include <atomic>
#include <cstring>

#include "packet.h"
#include "test_client.h"

namespace tessd::test {
namespace {

using namespace tessnet;

class LimitTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        ServerOptions options;
        options.maxClients = 4;
        options.maxClientsPerAddress = 2;
        options.now = [this] { return now_.load(); };
        StartServer(options);
    }
    void Advance(int seconds) {
        now_ = now_.load() + std::chrono::seconds(seconds);
        server_->CloseIdleClients();
    }
    // Logs in unless `key` is empty; true when the server still serves the connection after.
    static bool Serves(RawClient& c, const std::string& number = {}, const std::string& key = {}) {
        if (!key.empty()) return c.LoginStatus(number, key) == 1;
        c.Send(CMD_CARD_QUERY, Bytes(RechargeRequest::kQuerySize, 0));
        return c.Expect(CMD_CARD_ANSWER).has_value();
    }

    std::atomic<ServerOptions::Clock::time_point> now_{};
};

TEST_F(LimitTest, ConnectionWithoutALoginIsClosedAfterThirtySeconds) {
    RawClient idle(port_, "127.0.0.1"), refused(port_, "127.0.0.2"), owner(port_, "127.0.0.3");
    ASSERT_TRUE(Serves(idle));
    ASSERT_EQ(refused.LoginStatus(alice_.number, "wrong"), 0);
    ASSERT_TRUE(Serves(owner, alice_.number, alice_.privateKey));
    Advance(29);
    EXPECT_TRUE(Serves(idle));
    // A login lost to a refused one starts the time limit anew.
    ASSERT_EQ(owner.LoginStatus(alice_.number, "wrong"), 0);
    Advance(2);
    EXPECT_TRUE(idle.WaitClosed());
    EXPECT_TRUE(refused.WaitClosed());
    EXPECT_TRUE(Serves(owner));
    Advance(29);
    EXPECT_TRUE(owner.WaitClosed());
}

TEST_F(LimitTest, RechargeBeingTypedHasTenMinutes) {
    RawClient recharge(port_, "127.0.0.1");
    Bytes query(RechargeRequest::kQuerySize, 0);
    std::memcpy(query.data(), alice_.number.data(), alice_.number.size());
    recharge.Send(CMD_CARD_QUERY, query);
    ASSERT_TRUE(recharge.Expect(CMD_CARD_ANSWER).has_value());
    Advance(9 * 60);
    EXPECT_TRUE(Serves(recharge));
    Advance(61);
    EXPECT_TRUE(recharge.WaitClosed());
}

TEST_F(LimitTest, SlotsGoToLoginsBeforeConnectionsThatOnlyWait) {
    RawClient a1(port_, "127.0.0.1");
    ASSERT_TRUE(Serves(a1));
    RawClient a2(port_, "127.0.0.1");
    ASSERT_TRUE(Serves(a2));
    // The address holds its share: its oldest connection without a login makes room.
    RawClient a3(port_, "127.0.0.1");
    ASSERT_TRUE(Serves(a3));
    EXPECT_TRUE(a1.WaitClosed());
    RawClient b1(port_, "127.0.0.2");
    ASSERT_TRUE(Serves(b1, alice_.number, alice_.privateKey));
    RawClient b2(port_, "127.0.0.2");
    ASSERT_TRUE(Serves(b2, bob_.number, bob_.publicKey));
    RawClient b3(port_, "127.0.0.2");
    EXPECT_TRUE(b3.WaitClosed());  // its share holds logins only

    // Every slot is taken: the connections without a login go, oldest first.
    RawClient c1(port_, "127.0.0.3");
    EXPECT_TRUE(Serves(c1, carol_.number, carol_.privateKey));
    EXPECT_TRUE(a2.WaitClosed());
    RawClient c2(port_, "127.0.0.3");
    EXPECT_TRUE(Serves(c2, alice_.number, alice_.publicKey));
    EXPECT_TRUE(a3.WaitClosed());
    // Every slot holds a login: refused, and the logins keep theirs.
    RawClient d(port_, "127.0.0.4");
    EXPECT_TRUE(d.WaitClosed());
    for (RawClient* c : {&b1, &b2, &c1, &c2}) EXPECT_TRUE(Serves(*c));
}

}  // namespace
}  // namespace tessd::test
