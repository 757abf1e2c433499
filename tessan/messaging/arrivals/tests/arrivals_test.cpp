#include "messaging/arrivals/arrivalwatch.h"

#include "core/session/arrivalswitch.h"
#include "messaging/received/receivedfiles.h"
#include "messaging/received/tests/testentries.h"
#include "testsupport/clientparts.h"
#include "testsupport/fakenotifier.h"
#include "testsupport/faketimer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

const QByteArray kOwn = "0086-10-1";

class NoOverwrite final : public OverwriteQuestion {
  public:
    Answer Ask(const Request&) override { return {}; }
};

TEST(NewArrivalsTest, NewMeansAnotherSenderOrStoredNameSinceTheLastLogin) {
    NewArrivals arrivals;
    EXPECT_EQ(arrivals.Take({Entry("0086-10-2", "a"), Entry("0086-10-2", "b")}).size(), 2u);
    // The same name from someone else is new; a name repeated within one list counts once.
    const auto fresh = arrivals.Take({Entry("0086-10-2", "a"), Entry("0086-10-3", "a"),
                                      Entry("0086-10-3", "a"), Entry("0086-10-2", "c")});
    ASSERT_EQ(fresh.size(), 2u);
    EXPECT_EQ(fresh[0].storedName, "0086-10-3@a");
    EXPECT_EQ(fresh[1].storedName, "0086-10-2@c");
    // Names are compared as bytes, even where they do not decode.
    ReceivedFileEntry odd = Entry("0086-10-2", "x");
    odd.storedName = "0086-10-2@\xff\x01";
    ReceivedFileEntry other = odd;
    other.storedName = "0086-10-2@\xff\x02";
    EXPECT_EQ(arrivals.Take({odd, other}).size(), 2u);
    arrivals.Reset();
    EXPECT_EQ(arrivals.Take({Entry("0086-10-2", "a")}).size(), 1u);
}

class ArrivalWatchTest : public ::testing::Test, protected FakeClient {
  protected:
    void LogIn() { FakeClient::LogIn(kOwn, "secret"); }
    void Dispatch(const Notification& n) { library.Deliver(n); }
    // The answer to one list request: its entries, then the summary.
    void Answer(std::initializer_list<ReceivedFileEntry> entries) {
        Dispatch(MakeReply(note::kFileEntries, 1, kOwn, Records(entries), 1));
        Dispatch(MakeReply(note::kListSummary, 1, kOwn, Gbk("共有文件")));
    }
    qsizetype Lists() const { return library.calls.filter(u"ListFile"_qs).size(); }
    FakeTimer& Interval() { return *timers.made.at(0); }

    NoOverwrite overwrite;
    int loginCommands = 0;
    bool inView = false;
    ReceivedFiles files{
        session, login, library, boxes, transfers, overwrite, [this] { ++loginCommands; }};
    ArrivalSwitch onOff{dir.path()};
    FakeNotifier notifier;
    FakeTimers timers;
    ArrivalWatch watch{login, files, onOff, notifier, timers.Factory(), [this] { return inView; }};
};

TEST_F(ArrivalWatchTest, BackgroundChecksAreSilentAndAnnounceEachArrivalOnce) {
    EXPECT_TRUE(notifier.shown);
    LogIn();
    EXPECT_EQ(Lists(), 1);
    EXPECT_TRUE(Interval().active);
    EXPECT_EQ(Interval().interval, ArrivalWatch::kIntervalMs);
    // What waits at the login is new to it.
    Answer({Entry("0086-10-2", "a"), Entry("0086-10-3", "b")});
    EXPECT_EQ(notifier.announced, QStringList{u"Tessan: 2个新文件"_qs});
    EXPECT_EQ(notifier.unseen, 2);

    // The user's list speaks as always and announces nothing.
    files.Refresh();
    Answer({Entry("0086-10-2", "a"), Entry("0086-10-3", "b")});
    EXPECT_EQ(notices, QStringList{u"共有文件"_qs});
    files.Model().SetChecked(1, true);

    // A check while the user is on the page: the new row joins the list, nothing else moves.
    Interval().Fire();
    Interval().Fire();  // still unanswered: not asked twice
    EXPECT_EQ(Lists(), 3);
    Answer({Entry("0086-10-2", "a"), Entry("0086-10-3", "b"), Entry("0086-10-4", "c", 1, 0, "")});
    EXPECT_EQ(notices.size(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(loginCommands, 0);
    ASSERT_EQ(files.Model().RowCount(), 3);
    EXPECT_EQ(files.Model().At(0).fileNameText, u"c"_qs);
    EXPECT_TRUE(files.Model().IsChecked(2));
    EXPECT_EQ(notifier.announced.last(), u"0086-10-4: c"_qs);  // a sender without a name by number
    EXPECT_EQ(notifier.unseen, 3);

    // A check and "刷新" crossing: only the user's answer speaks; the arrival is told once.
    watch.WindowShown();
    files.Refresh();
    Answer({Entry("0086-10-2", "a"), Entry("0086-10-5", "d")});
    EXPECT_EQ(notices.size(), 1);
    Answer({Entry("0086-10-2", "a"), Entry("0086-10-5", "d")});
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(notifier.announced.last(), u"李四: d"_qs);
    EXPECT_EQ(notifier.announced.size(), 3);

    watch.ReceivedShown();
    EXPECT_EQ(notifier.unseen, 0);
    // Arrivals that appear in front of the user are seen, not announced.
    inView = true;
    Interval().Fire();
    Answer({Entry("0086-10-2", "e")});
    EXPECT_EQ(notifier.announced.size(), 3);
    EXPECT_EQ(notifier.unseen, 0);

    // A check that cannot be sent says nothing either.
    library.Script(u"ListFile"_qs, {-1});
    Interval().Fire();
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(loginCommands, 0);
}

TEST_F(ArrivalWatchTest, TheLoginsEndStopsTheChecksAndDropsTheirAnswers) {
    LogIn();
    Dispatch(MakeAccountEvent(note::kDisconnected, kOwn));
    EXPECT_FALSE(Interval().active);
    watch.WindowShown();
    EXPECT_EQ(Lists(), 1);

    // The first check's answer never comes: a new attempt forgets it, so the user's next list
    // still speaks.
    LogIn();
    files.Refresh();
    EXPECT_EQ(Lists(), 2);  // since the new login
    Answer({});             // the login's check
    Answer({});             // the user's
    EXPECT_EQ(notices.size(), 1);

    // A recharge of the own number closes the connection under a check and logs in again: the
    // check's answer never comes, and the checks and the user's lists go on as before.
    watch.WindowShown();
    login.Interrupt();
    login.Resume();
    Dispatch(MakeReply(note::kLogin, 1, kOwn, "ok"));
    EXPECT_EQ(Lists(), 4);
    Answer({Entry("0086-10-2", "a")});
    EXPECT_EQ(notifier.announced.last(), u"李四: a"_qs);
    notices.clear();
    files.Refresh();
    Answer({});
    EXPECT_EQ(notices, QStringList{u"共有文件"_qs});
}

TEST_F(ArrivalWatchTest, TheSwitchTurnsChecksAndTheTrayOffAndIsRemembered) {
    onOff.Set(false);
    EXPECT_FALSE(notifier.shown);
    LogIn();
    EXPECT_EQ(Lists(), 0);
    EXPECT_FALSE(Interval().active);
    watch.WindowShown();
    EXPECT_EQ(Lists(), 0);
    EXPECT_FALSE(ArrivalSwitch(dir.path()).IsOn());

    onOff.Set(true);
    EXPECT_TRUE(notifier.shown);
    EXPECT_EQ(Lists(), 1);
    EXPECT_TRUE(Interval().active);
    EXPECT_TRUE(ArrivalSwitch(dir.path()).IsOn());
}

}  // namespace
}  // namespace tessan
