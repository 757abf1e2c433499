// The sending pipeline against real processes: the real library, and two tessd servers on
// loopback, the sender's account on A and the friend's on B, found through two prefixes in
// serverlist.ini.
#include "core/base/gbk.h"
#include "core/transfers/transferqueue.h"
#include "messaging/sendingpipeline.h"
#include "messaging/textmessage.h"
#include "testsupport/endtoend.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace tessan {

class SendingEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void fileAndTextArriveWholeOnTheFriendsServer();
    void wrongPublicKeyDropsTheRowsAndClosesTheConnection();
    void stoppedServerDropsTheRows();

  private:
    // Files in B's store, by content.
    QList<QByteArray> StoredOnB() const;
    QString WriteFile(const QString& name, const QByteArray& content) const;
    bool QueueIdle() const { return client->transfers.RowCount() == 0; }

    static constexpr const char* kOwn = demo::kZhang;
    const Recipient zhao{kZhao, QStringToGbk(QStringLiteral("赵六")), "zhao-pub"};

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    ClientParts* client = nullptr;
    std::unique_ptr<SendingPipeline> pipeline;
    QStringList states;
};

void SendingEndToEndTest::init() {
    boxes.Reset();
    states.clear();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid() && e2e->MakeFolders({"files"}));
    QVERIFY(e2e->StartTwoServers());
    // The friend registers on B; the sender logs in on A.
    QCOMPARE(e2e->Register(e2e->B().Port(), ZhaoProfile()), 1);
    client = &e2e->StartClient();
    const TransferTable& table = client->transfers.Table();
    connect(&table, &TransferTable::dataChanged, this, [this, &table](const QModelIndex& from) {
        states << table.Cell(from.row(), TransferTable::kState);
    });
    pipeline = std::make_unique<SendingPipeline>(client->session, client->transfers);
    QVERIFY(e2e->LogIn(e2e->A().Port(), kOwn, demo::kZhangKey));
    e2e->notices.clear();
}

void SendingEndToEndTest::cleanup() {
    pipeline.reset();
    e2e.reset();
}

QList<QByteArray> SendingEndToEndTest::StoredOnB() const {
    return StoredFiles(e2e->FilePath(QStringLiteral("b")));
}

QString SendingEndToEndTest::WriteFile(const QString& name, const QByteArray& content) const {
    const QString path = e2e->FilePath(QStringLiteral("files/") + name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) return {};
    return path;
}

void SendingEndToEndTest::fileAndTextArriveWholeOnTheFriendsServer() {
    // Three chunks of 7848 bytes, the last one short.
    QByteArray content(2 * 7848 + 1000, '\0');
    QRandomGenerator rng(15);
    for (char& c : content) c = static_cast<char>(rng.generate());
    const QString path = WriteFile(QStringLiteral("三块.bin"), content);
    QVERIFY(!path.isEmpty());

    pipeline->FanOutFile({zhao}, path, QStringLiteral("三块.bin"));
    QCOMPARE(client->transfers.RowCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(QueueIdle(), 30000);
    QVERIFY2(e2e->notices.contains(QStringLiteral("文件：三块.bin成功发送给:赵六！")),
             qPrintable(e2e->notices.join(QLatin1Char('\n'))));
    QVERIFY(std::any_of(states.begin(), states.end(),
                        [](const QString& s) { return s.startsWith(QStringLiteral("上传:")); }));

    TextMessage text(e2e->Path(), boxes, pipeline->Immediately());
    text.recipient = zhao;
    QCOMPARE(text.Ok(QStringLiteral("周报"), QStringLiteral("第一行\n第二行")),
             TextMessage::Outcome::Accept);
    QTRY_VERIFY_WITH_TIMEOUT(
        QueueIdle() && e2e->notices.contains(QStringLiteral("文件：周报.txt成功发送给:赵六！")),
        30000);

    QTRY_COMPARE_WITH_TIMEOUT(StoredOnB().size(), 2, 30000);
    const QList<QByteArray> stored = StoredOnB();
    QVERIFY(stored.contains(content));
    QVERIFY(stored.contains(QStringToGbk(QStringLiteral("第一行\r\n第二行"))));

    QFile log(e2e->FilePath(QStringLiteral("log/0086-10-1234567_SendLog.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString lines = GbkToQString(log.readAll());
    QCOMPARE(lines.count(QStringLiteral("[发送] 至:0086-21-8888888   ,赵六      .文件:")), 2);
    QVERIFY(lines.contains(QStringLiteral(".文件:三块.bin,\r\n")));
    QVERIFY(lines.contains(QStringLiteral(".文件:周报.txt,\r\n")));
    QVERIFY(boxes.Shown().empty());
}

void SendingEndToEndTest::wrongPublicKeyDropsTheRowsAndClosesTheConnection() {
    const QString a = WriteFile(QStringLiteral("a.txt"), "first");
    const QString b = WriteFile(QStringLiteral("b.txt"), "second");
    Recipient wrong = zhao;
    wrong.publicKey = "not-his-key";
    pipeline->FanOut({wrong}, {{a, QStringLiteral("a.txt")}, {b, QStringLiteral("b.txt")}});
    const QString text = QStringLiteral("不能向你的好友:0086-21-8888888发送文件，公钥不正确!");
    QTRY_VERIFY_WITH_TIMEOUT(e2e->notices.contains(text), 30000);
    QVERIFY(QueueIdle());
    // Nothing else was waiting: the user is also told in a box.
    QCOMPARE(boxes.Texts(), QStringList{text});

    // The refused connection is gone: the right key opens a new one and the file goes through.
    QVERIFY(pipeline->SendImmediately(zhao, a, QStringLiteral("a.txt")));
    QTRY_VERIFY_WITH_TIMEOUT(QueueIdle() && StoredOnB().contains("first"), 30000);
    QVERIFY(!StoredOnB().contains("second"));
}

void SendingEndToEndTest::stoppedServerDropsTheRows() {
    const QString a = WriteFile(QStringLiteral("a.txt"), "first");
    const int port = e2e->B().Port();
    e2e->B().Stop();
    pipeline->FanOut({zhao}, {{a, QStringLiteral("a.txt")}, {a, QStringLiteral("a.txt")}});
    QVERIFY(QueueIdle());
    QCOMPARE(
        e2e->notices,
        QStringList{QStringLiteral("无法连接127.0.0.1:%1，不能向好友:赵六发送文件!").arg(port)});
}

}  // namespace tessan

QTEST_GUILESS_MAIN(tessan::SendingEndToEndTest)
#include "sending_endtoend_test.moc"
