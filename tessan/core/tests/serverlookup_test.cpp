// Looking up the servers of serverlist.ini: which addresses need no lookup, which address of a
// name is taken, and the rule that only the latest lookup of an asker is answered. The system's
// resolver is asked only about "localhost" and a name it refuses before any query goes out.
#include "core/login/serverlookup.h"
#include "testsupport/fakeresolver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tessan {
namespace {

TEST(ServerLookupRules, OnlyNumericAddressesTheLibraryTakesNeedNoLookup) {
    for (const char* numeric :
         {"10.1.2.3", "127.0.0.1", "::1", "2001:db8::1:2:3", "::ffff:1.2.3.4"})
        EXPECT_TRUE(IsNumericAddress(numeric)) << numeric;
    for (const char* name : {"localhost", "files.example.com", "nonexistent.invalid", "10.1.2",
                             "[::1]", "10.1.2.3 ", ""})
        EXPECT_FALSE(IsNumericAddress(name)) << name;
}

TEST(ServerLookupRules, TheFirstIPv4AddressIsTakenElseTheFirstIPv6) {
    const QHostAddress v6(QStringLiteral("2001:db8::7"));
    const QHostAddress v4(QStringLiteral("10.0.0.7"));
    const QHostAddress other4(QStringLiteral("10.0.0.8"));
    EXPECT_EQ(ChooseAddress({v6, v4, other4}), "10.0.0.7");
    EXPECT_EQ(ChooseAddress({v6, QHostAddress(QStringLiteral("2001:db8::8"))}), "2001:db8::7");
    EXPECT_TRUE(ChooseAddress({}).isEmpty());
}

class ServerLookupTest : public ::testing::Test {
  protected:
    HostResolver::Done Record() {
        return [this](const LookupResult& r) { answers.push_back(r); };
    }
    FakeResolver resolver;
    std::unique_ptr<ServerLookup> lookup = std::make_unique<ServerLookup>(resolver);
    std::vector<LookupResult> answers;
};

TEST_F(ServerLookupTest, ANumericAddressIsAnsweredAtOnceWithoutTheResolver) {
    EXPECT_FALSE(lookup->Find("::1", Record()));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].address, "::1");
    EXPECT_FALSE(lookup->Pending());
    EXPECT_TRUE(resolver.requests.empty());
}

TEST_F(ServerLookupTest, ANameIsAnsweredWhenTheResolverAnswers) {
    EXPECT_TRUE(lookup->Find("files.example.com", Record()));
    EXPECT_TRUE(lookup->Pending());
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, "files.example.com");
    EXPECT_TRUE(answers.empty());
    resolver.Answer(0, "10.0.0.7");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].address, "10.0.0.7");
    EXPECT_FALSE(lookup->Pending());

    lookup->Find("gone.example.com", Record());
    resolver.Answer(1, {}, QStringLiteral("Host not found"));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_FALSE(answers[1].Found());
    EXPECT_EQ(answers[1].error, QStringLiteral("Host not found"));
    EXPECT_EQ(LookupFailureText("gone.example.com", answers[1].error),
              QStringLiteral("找不到服务器gone.example.com(Host not found)"));
}

TEST_F(ServerLookupTest, OnlyTheLatestLookupIsAnsweredAndNoneAfterCancelOrItsEnd) {
    lookup->Find("first.example.com", Record());
    lookup->Find("second.example.com", Record());
    // The first answer comes last and late: stale.
    resolver.Answer(1, "10.0.0.2");
    resolver.Answer(0, "10.0.0.1");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].address, "10.0.0.2");

    lookup->Find("third.example.com", Record());
    lookup->Cancel();
    EXPECT_FALSE(lookup->Pending());
    resolver.Answer(2, "10.0.0.3");
    // A numeric address after a lookup: the lookup under way is given up too.
    lookup->Find("fourth.example.com", Record());
    lookup->Find("10.0.0.5", Record());
    resolver.Answer(3, "10.0.0.4");
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].address, "10.0.0.5");

    // The asker went (a closed dialog): the answer reaches nobody.
    lookup->Find("fifth.example.com", Record());
    lookup.reset();
    resolver.Answer(4, "10.0.0.6");
    EXPECT_EQ(answers.size(), 2u);
}

// The system's resolver answers through the event loop of this thread.
std::optional<LookupResult> AskTheSystem(const QByteArray& name) {
    SystemResolver system;
    ServerLookup lookup(system);
    std::optional<LookupResult> answer;
    if (!lookup.Find(name, [&answer](const LookupResult& r) { answer = r; })) return answer;
    // A resolver without a network may take its own time to give up; it must not take forever.
    const QDeadlineTimer deadline(std::chrono::seconds(45));
    while (!answer && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return answer;
}

TEST(SystemResolverTest, LocalhostIsFoundAndAReservedNameIsNot) {
    int argc = 1;
    char arg0[] = "serverlookup_test";
    char* argv[] = {arg0, nullptr};
    const QCoreApplication app(argc, argv);
    const std::optional<LookupResult> local = AskTheSystem("localhost");
    ASSERT_TRUE(local);
    EXPECT_TRUE(local->address == "127.0.0.1" || local->address == "::1")
        << local->address.constData();

    // A label longer than 63 bytes is no host name: refused before any query leaves the machine.
    const std::optional<LookupResult> missing = AskTheSystem(QByteArray(64, 'x') + ".invalid");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->Found());
    EXPECT_FALSE(missing->error.isEmpty());

    const std::optional<LookupResult> numeric = AskTheSystem("10.1.2.3");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(numeric->address, "10.1.2.3");
}

}  // namespace
}  // namespace tessan
