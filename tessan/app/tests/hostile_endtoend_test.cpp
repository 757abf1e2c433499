// The whole client against servers that stay silent, go away or lie: the real library, tessd for
// the healthy side, and scripted servers on loopback for the rest.
#include "core/base/gbk.h"
#include "messaging/sendingpipeline.h"
#include "testsupport/endtoend.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include "fake_server.h"

#include <QFile>
#include <QTest>

namespace tessan {

using tessnet::testing::FakeServer;
using tessnet::testing::ReceivedPacket;
using ServedClient = tessnet::testing::FakeClient;

class HostileEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void silentAndLostFriendsNeverHoldUpAHealthyOne();

  private:
    QString WriteFile(const QString& name, const QByteArray& content) const {
        const QString path = e2e->FilePath(QStringLiteral("files/") + name);
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? path
                                                                                  : QString();
    }
    // serverlist.ini: A and B as tessd runs them, and a prefix per scripted server.
    bool ListServers(std::initializer_list<std::pair<QByteArray, int>> scripted) const {
        std::vector<std::pair<QByteArray, int>> list = {{"0086-10", e2e->A().Port()},
                                                        {"0086-21", e2e->B().Port()}};
        list.insert(list.end(), scripted);
        return WriteLoopbackServerList(e2e->FilePath(QStringLiteral("serverlist.ini")), list);
    }

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
};

void HostileEndToEndTest::init() {
    boxes.Reset();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid() && e2e->MakeFolders({"files"}));
    QVERIFY(e2e->StartTwoServers());
}

void HostileEndToEndTest::cleanup() {
    e2e.reset();
}

void HostileEndToEndTest::silentAndLostFriendsNeverHoldUpAHealthyOne() {
    QCOMPARE(e2e->Register(e2e->B().Port(), ZhaoProfile()), 1);
    // Takes the login and says nothing.
    FakeServer silent;
    silent.SetHandler([](ServedClient&, const ReceivedPacket&) {});
    // Accepts the login, and goes as soon as a file is announced.
    FakeServer lost;
    lost.SetHandler([](ServedClient& client, const ReceivedPacket& packet) {
        if (packet.header.command == tessnet::CMD_LOGIN)
            client.Send(tessnet::CMD_LOGIN_RESULT, {1, 'o', 'k', 0});
        else if (packet.header.command == tessnet::CMD_ANNOUNCE)
            client.Abort();
    });
    QVERIFY(ListServers({{"0086-22", silent.port()}, {"0086-23", lost.port()}}));
    FakeTimers timers;
    ClientParts& client = e2e->StartClient(nullptr, timers.Factory());
    SendingPipeline pipeline(client.session, client.transfers);
    QVERIFY(e2e->LogIn(e2e->A().Port(), demo::kZhang, demo::kZhangKey));
    e2e->notices.clear();

    const QString one = WriteFile(QStringLiteral("一.txt"), "first");
    const QString two = WriteFile(QStringLiteral("二.txt"), "second");
    const Recipient quiet{"0086-22-1111111", QStringToGbk(QStringLiteral("沉默")), "k"};
    const Recipient gone{"0086-23-2222222", QStringToGbk(QStringLiteral("断线")), "k"};
    const Recipient zhao{kZhao, QStringToGbk(QStringLiteral("赵六")), "zhao-pub"};
    pipeline.FanOut({quiet, gone, zhao},
                    {{one, QStringLiteral("一.txt")}, {two, QStringLiteral("二.txt")}});
    QCOMPARE(client.transfers.RowCount(), 6);

    // The healthy friend gets both files while the silent one has not said a word; the lost
    // one's rows go with a notice naming it.
    const auto storedOnB = [this] { return StoredFiles(e2e->FilePath(QStringLiteral("b"))); };
    QTRY_VERIFY_WITH_TIMEOUT(storedOnB().size() == 2, EndToEnd::kWait);
    QVERIFY(storedOnB().contains("first") && storedOnB().contains("second"));
    const QString lostNotice =
        QStringLiteral("与服务器127.0.0.1:%1的连接已断开，不能向好友:断线发送文件!")
            .arg(lost.port());
    QTRY_VERIFY_WITH_TIMEOUT(e2e->notices.contains(lostNotice), EndToEnd::kWait);
    QTRY_COMPARE_WITH_TIMEOUT(client.transfers.RowCount(), 2, EndToEnd::kWait);
    QCOMPARE(client.transfers.Item(0)->Raw(TransferItem::Field::AccountNumber), quiet.number);
    QVERIFY(silent.WaitForClients(1));

    // 30 s without an answer to the login: its rows go, its connection closes.
    QVERIFY(!timers.made.empty());
    timers.made.front()->Fire();
    QCOMPARE(client.transfers.RowCount(), 0);
    QVERIFY(e2e->notices.contains(
        QStringLiteral("服务器127.0.0.1:%1在30秒内没有应答，不能向好友:沉默发送文件!")
            .arg(silent.port())));
    QVERIFY(silent.Client(0)->WaitClosedByPeer());
    QVERIFY(boxes.Shown().empty());
}

}  // namespace tessan

QTEST_MAIN(tessan::HostileEndToEndTest)
#include "hostile_endtoend_test.moc"
