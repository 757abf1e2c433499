// The whole client against servers that stay silent, go away or lie: the real library, tessd for
// the healthy side, and scripted servers on loopback for the rest.
#include "account/addressbook/addressbookpage.h"
#include "core/base/gbk.h"
#include "core/frame/noticepanel.h"
#include "core/transfers/transferlogs.h"
#include "messaging/received/receivedfiles.h"
#include "messaging/received/receivedfilespage.h"
#include "messaging/sendingpipeline.h"
#include "testsupport/faketimer.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include "fake_server.h"

#include <list>

#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

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
    void aFriendsServerSpeakingForTheOwnOneChangesNothing();
    void aFloodOfNoticesAndRemindersIsOneBoxAndTheLastLines();
    void sameNamesFromTwoSendersBothDownload();

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

    // The whole client, logged in as `number` through its login dialog.
    bool ShowAndLogIn(const char* number, const char* key) {
        client = ShowClient(*e2e, boxes);
        if (!client) return false;
        QPointer<LoginDialog> dialog = LogInThroughDialog(client->Window(), number, key);
        return dialog && QTest::qWaitFor([&dialog] { return !dialog || !dialog->isVisible(); },
                                         EndToEnd::kWait);
    }

    // A scripted server that outlives the client, so that its going is never news to it.
    FakeServer& Scripted() { return servers.emplace_back(); }

    ScriptedMessageBoxes boxes;
    std::list<FakeServer> servers;
    std::unique_ptr<EndToEnd> e2e;
    std::unique_ptr<ClientApp> client;
};

void HostileEndToEndTest::init() {
    boxes.Reset();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid() && e2e->MakeFolders({"files"}));
    QVERIFY(e2e->StartTwoServers());
}

void HostileEndToEndTest::cleanup() {
    client.reset();
    e2e.reset();
    servers.clear();
}

namespace {

QByteArray Bytes(const UserProfile& profile) {
    return QByteArray(reinterpret_cast<const char*>(profile.Bytes().data()), UserProfile::kSize);
}

std::vector<std::uint8_t> Payload(const QByteArray& bytes) {
    return {bytes.begin(), bytes.end()};
}

// An upload answer: status, reason, the name at 2 and a text at 263.
std::vector<std::uint8_t> AnnounceAnswer(std::uint8_t reason, const QByteArray& name) {
    QByteArray b(264, '\0');
    b[0] = 1;
    b[1] = static_cast<char>(reason);
    b.replace(2, name.size(), name);
    return Payload(b + "text");
}

}  // namespace

void HostileEndToEndTest::silentAndLostFriendsNeverHoldUpAHealthyOne() {
    QCOMPARE(e2e->Register(e2e->B().Port(), ZhaoProfile()), 1);
    // Takes the login and says nothing.
    FakeServer& silent = Scripted();
    silent.SetHandler([](ServedClient&, const ReceivedPacket&) {});
    // Accepts the login, and goes as soon as a file is announced.
    FakeServer& lost = Scripted();
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

void HostileEndToEndTest::aFriendsServerSpeakingForTheOwnOneChangesNothing() {
    // Takes the upload, but first answers the login with everything an own server would send,
    // and 30 questions about files never announced.
    FakeServer& liar = Scripted();
    const FakeServer::Handler uploads = liar.UploadHandler(true, false);
    liar.SetHandler([uploads](ServedClient& c, const ReceivedPacket& packet) {
        if (packet.header.command != tessnet::CMD_LOGIN) return uploads(c, packet);
        c.Send(tessnet::CMD_LOGIN_RESULT, {1, 'o', 'k', 0});
        UserProfile impostor = FriendProfile("0086-10-1234567", QStringLiteral("冒充"), "k");
        impostor.SetUserType('3');
        c.Send(tessnet::CMD_OWN_PROFILE, Payload(Bytes(impostor)));
        c.Send(tessnet::CMD_ADDRESS_BOOK, Payload(Bytes(impostor)));
        ReceivedFileEntry planted;
        planted.senderNumber = "0086-24-6666666";
        planted.storedName = "0086-24-6666666@planted.txt";
        c.Send(tessnet::CMD_FILE_ENTRIES, Payload(planted.Serialize()));
        c.Send(tessnet::CMD_CARD_ANSWER, {'1'});
        for (int i = 0; i < 30; ++i)
            c.Send(tessnet::CMD_ANNOUNCE_ANSWER,
                   AnnounceAnswer(3, "../../etc/passwd" + QByteArray::number(i)));
        c.Send(tessnet::CMD_LIST_SUMMARY, {1, 'x', 0});
        c.Send(tessnet::CMD_LOGIN_RESULT, {0, 'n', 'o', 0});
    });
    QVERIFY(ListServers({{"0086-24", liar.port()}}));
    QVERIFY(ShowAndLogIn(demo::kZhang, demo::kZhangKey));
    MainWindow& window = client->Window();
    QTRY_VERIFY_WITH_TIMEOUT(window.windowTitle().contains(QLatin1String(demo::kZhang)),
                             EndToEnd::kWait);
    // The own server's answers after the login (the address book among them) have all come once
    // a list asked for now is answered.
    ReceivedFiles& received = client->ReceivedFiles().Rules();
    QSignalSpy listed(&received, &ReceivedFiles::summaryChanged);
    received.Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!listed.isEmpty(), EndToEnd::kWait);
    const QString title = window.windowTitle();
    const int friends = client->AddressBook().Book().rowCount();
    const int files = client->ReceivedFiles().Rules().Model().RowCount();
    e2e->notices.clear();

    const QString path = WriteFile(QStringLiteral("一.txt"), "first");
    SendingPipeline pipeline(client->Session(), client->Transfers());
    QVERIFY(pipeline.SendImmediately({"0086-24-6666666", QStringToGbk(QStringLiteral("骗子")), "k"},
                                     path, QStringLiteral("一.txt")));
    // Everything the server said came before the upload's end, on the same connection.
    QTRY_VERIFY_WITH_TIMEOUT(e2e->notices.contains(QStringLiteral("文件：一.txt成功发送给:骗子！")),
                             EndToEnd::kWait);
    QTRY_VERIFY_WITH_TIMEOUT(liar.UploadComplete("\xD2\xBB.txt"), EndToEnd::kWait);
    QCOMPARE(window.windowTitle(), title);
    QVERIFY(client->Session().OwnProfile().Name() != QStringLiteral("冒充"));
    QCOMPARE(client->AddressBook().Book().rowCount(), friends);
    QCOMPARE(client->ReceivedFiles().Rules().Model().RowCount(), files);
    QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join(QLatin1Char('\n'))));
    QVERIFY(!e2e->notices.contains(QStringLiteral("x")));
    QCOMPARE(client->Transfers().RowCount(), 0);
}

void HostileEndToEndTest::aFloodOfNoticesAndRemindersIsOneBoxAndTheLastLines() {
    constexpr int kNotices = 5000;
    FakeServer& own = Scripted();
    own.SetHandler([](ServedClient& c, const ReceivedPacket& packet) {
        if (packet.header.command != tessnet::CMD_LOGIN) return;
        c.Send(tessnet::CMD_LOGIN_RESULT, {1, 'o', 'k', 0});
        const QByteArray remind = '\0' + QStringToGbk(QStringLiteral("请续费")) + '\0';
        for (int i = 0; i < 30; ++i) c.Send(tessnet::CMD_PAYMENT_REMINDER, Payload(remind));
        for (int i = 0; i < kNotices; ++i)
            c.Send(tessnet::CMD_NOTICE, Payload('\1' + QByteArray::number(i) + '\0'));
    });
    QVERIFY(ListServers({{"0086-25", own.port()}}));
    client = ShowClient(*e2e, boxes);
    QVERIFY(client);
    NoticePanel& panel = client->Window().Notices();
    const QString last = QString::number(kNotices - 1);
    // The first reminder stays on screen until every notice arrived, as for a user who takes a
    // while to read it: everything else comes while it is open. Its own loop, as a modal box
    // has, checked on every pass (qWaitFor sleeps between).
    boxes.whileOpen = [&panel, &last] {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (panel.Text().endsWith(last)) loop.quit();
        });
        check.start(0);
        QTimer::singleShot(EndToEnd::kWait, &loop, &QEventLoop::quit);
        loop.exec();
    };
    QPointer<LoginDialog> dialog = LogInThroughDialog(client->Window(), "0086-25-1", "k");
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(panel.Text().endsWith(last), EndToEnd::kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog || !dialog->isVisible(), EndToEnd::kWait);
    // One reminder box: the 29 that came while it was open were not shown again.
    QCOMPARE(boxes.Shown().size(), 1u);
    QCOMPARE(boxes.Shown().front().caption + QLatin1Char('|') + boxes.Shown().front().text,
             QStringLiteral("催费通知|请续费"));
    const QStringList lines = panel.Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), NoticeSlider::kKeptLines);
    QCOMPARE(lines.first(), QString::number(kNotices - NoticeSlider::kKeptLines));
    QCOMPARE(panel.TextBox()->document()->blockCount(), NoticeSlider::kKeptLines);
}

// Downloads with the overwrite question answered "覆盖".
class Overwrite final : public OverwriteQuestion {
  public:
    Answer Ask(const Request& request) override {
        asked.append(request.message);
        return {true, false};
    }
    QStringList asked;
};

void HostileEndToEndTest::sameNamesFromTwoSendersBothDownload() {
    ClientParts& client = e2e->StartClient();
    Library& library = e2e->Tessnet();
    const int port = e2e->A().Port();
    // 李四 and 王五 each put a file called 同名.txt into 张三's space, as the pipeline does.
    const std::pair<const char*, QByteArray> sent[] = {{demo::kLi, "from li"},
                                                       {demo::kWang, "from wang"}};
    for (const auto& [sender, content] : sent) {
        const QString folder = QString::fromLatin1(sender);
        QVERIFY(QDir().mkpath(e2e->FilePath(QStringLiteral("files/") + folder)));
        const QString path = WriteFile(folder + QStringLiteral("/同名.txt"), content);
        QVERIFY(!path.isEmpty());
        const auto stored = [this] { return StoredFiles(e2e->FilePath(QStringLiteral("a"))); };
        const qsizetype before = stored().size();
        QCOMPARE(library.ConnectServer("127.0.0.1", port, demo::kZhang, demo::kZhang), 1);
        QCOMPARE(library.UploadFile(sender, demo::kZhang, path), 1);
        QTRY_VERIFY_WITH_TIMEOUT(stored().size() > before, EndToEnd::kWait);
        library.DisconnectServer(demo::kZhang);
    }
    QVERIFY(e2e->LogIn(port, demo::kZhang, demo::kZhangKey));
    Overwrite overwrite;
    ReceivedFiles files(client.session, client.login, library, boxes, client.transfers, overwrite,
                        {});
    files.Refresh();
    QTRY_COMPARE_WITH_TIMEOUT(files.Model().RowCount(), 2, EndToEnd::kWait);
    files.Model().SetAllChecked(true);
    files.DownloadChecked({});
    QCOMPARE(overwrite.asked.size(), 1);  // the second of the two, before anything came
    const QByteArray second = files.Model().At(1).senderNumber;
    QTRY_COMPARE_WITH_TIMEOUT(client.transfers.RowCount(), 0, EndToEnd::kWait);
    QFile log(TransferLogPath(e2e->Path(), demo::kZhang, TransferLog::Receive));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString lines = GbkToQString(log.readAll());
    QCOMPARE(lines.count(QStringLiteral("文件:同名.txt")), 2);
    QVERIFY(lines.contains(QStringLiteral("自:") + QString::fromLatin1(demo::kLi)));
    QVERIFY(lines.contains(QStringLiteral("自:") + QString::fromLatin1(demo::kWang)));
    // The later download replaced the earlier one, as the user chose.
    QFile local(client.session.DownloadFolder() + QStringLiteral("/同名.txt"));
    QVERIFY(local.open(QIODevice::ReadOnly));
    QCOMPARE(local.readAll(),
             second == demo::kLi ? QByteArray("from li") : QByteArray("from wang"));
}

}  // namespace tessan

QTEST_MAIN(tessan::HostileEndToEndTest)
#include "hostile_endtoend_test.moc"
