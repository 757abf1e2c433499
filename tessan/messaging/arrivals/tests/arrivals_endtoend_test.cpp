// New arrivals against a real development server: the owner is logged in through the real
// library while another account puts a file into the owner's space on a connection of its own;
// the interval's tick finds it and announces it once, without a word in the notice panel.
#include "core/base/gbk.h"
#include "core/library/notificationhub.h"
#include "core/session/arrivalswitch.h"
#include "messaging/arrivals/arrivalwatch.h"
#include "messaging/received/receivedfiles.h"
#include "testsupport/endtoend.h"
#include "testsupport/fakenotifier.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include "tests/test_client.h"

#include <QSignalSpy>
#include <QTest>

namespace tessan {

namespace {

class NoOverwrite final : public OverwriteQuestion {
  public:
    Answer Ask(const Request&) override { return {}; }
};

// The sender's own connection to the owner's space, as a friend's client opens it: the owner's
// number with the public key (a demo account's is its number).
bool SendInto(int port, const char* owner, const char* sender, const std::string& gbkName) {
    tessd::test::RawClient peer(static_cast<std::uint16_t>(port));
    const auto status = [&peer](std::uint8_t command, std::size_t at) {
        const auto packet = peer.Expect(command, std::chrono::seconds(30));
        return packet && packet->payload.size() > at ? packet->payload[at] : -1;
    };
    const tessd::Bytes content(20000, 'x');
    using enum tessnet::UploadReason;
    return peer.Login(owner, owner) && status(tessnet::CMD_LOGIN_RESULT, 0) == 1 &&
           peer.Announce(gbkName, static_cast<std::uint32_t>(content.size()), sender) &&
           status(tessnet::CMD_ANNOUNCE_ANSWER, 1) == int(GoAhead) &&
           peer.SendChunks(gbkName, content, sender) &&
           status(tessnet::CMD_ANNOUNCE_ANSWER, 1) == int(Complete);
}

}  // namespace

class ArrivalsEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void aFileSentWhileLoggedInIsAnnouncedOnce();
};

void ArrivalsEndToEndTest::aFileSentWhileLoggedInIsAnnouncedOnce() {
    ScriptedMessageBoxes boxes;
    EndToEnd e2e(boxes);
    QVERIFY(e2e.IsValid());
    TessdProcess* server = e2e.StartServer(u"server"_qs);
    QVERIFY(server);
    ClientParts& client = e2e.StartClient();
    NoOverwrite overwrite;
    ReceivedFiles files(client.session, client.login, client.connections.Lib(), boxes,
                        client.transfers, overwrite, {});
    ArrivalSwitch onOff(e2e.Path());
    FakeNotifier notifier;
    FakeTimers timers;
    ArrivalWatch watch(client.login, files, onOff, notifier, timers.Factory());
    QSignalSpy summaries(&client.login.Notifications(), &NotificationHub::listSummary);

    QVERIFY(e2e.LogIn(server->Port(), demo::kZhang, demo::kZhangKey));
    QTRY_COMPARE_WITH_TIMEOUT(summaries.size(), 1, EndToEnd::kWait);  // the login's own look
    QVERIFY(notifier.announced.isEmpty());

    QVERIFY(SendInto(server->Port(), demo::kZhang, demo::kLi,
                     QStringToGbk(u"报告.doc"_qs).toStdString()));
    QCOMPARE(timers.made.size(), 1u);
    timers.made[0]->Fire();
    QTRY_COMPARE_WITH_TIMEOUT(summaries.size(), 2, EndToEnd::kWait);
    QCOMPARE(notifier.announced, QStringList{u"李四: 报告.doc"_qs});
    QCOMPARE(notifier.unseen, 1);
    QCOMPARE(files.Model().RowCount(), 1);

    timers.made[0]->Fire();
    QTRY_COMPARE_WITH_TIMEOUT(summaries.size(), 3, EndToEnd::kWait);
    QCOMPARE(notifier.announced.size(), 1);
    // Only the login spoke.
    QCOMPARE(e2e.notices.size(), 1);
    QVERIFY(boxes.Shown().empty());
    e2e.Disconnect();
}

}  // namespace tessan

QTEST_GUILESS_MAIN(tessan::ArrivalsEndToEndTest)
#include "arrivals_endtoend_test.moc"
