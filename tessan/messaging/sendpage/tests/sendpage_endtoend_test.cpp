// The send page against real processes: the real library and two tessd servers on loopback, the
// own account and one friend on A, another friend on B, found through two prefixes in
// serverlist.ini. Two files picked in the browser go to both checked friends with one press of
// "发送": four uploads, one at a time, each arriving whole.
#include "core/base/gbk.h"
#include "core/browser/localfilelistview.h"
#include "core/transfers/transferqueue.h"
#include "core/transfers/transfertable.h"
#include "messaging/sendingpipeline.h"
#include "messaging/sendpage/sendpage.h"
#include "messaging/tests/fakevoicedevice.h"
#include "testsupport/endtoend.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <map>

namespace tessan {

class SendPageEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void twoFilesToTwoFriendsOnTwoServersOneUploadAtATimeEach();

  private:
    QString WriteFile(const QString& name, const QByteArray& content) const;

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    ClientParts* client = nullptr;
    std::unique_ptr<SendingPipeline> pipeline;
    FakeVoiceDevice voice;
    std::unique_ptr<SendPage> page;
};

void SendPageEndToEndTest::init() {
    boxes.Reset();
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid() && e2e->MakeFolders({"pick"}));
    QVERIFY(e2e->StartTwoServers());
    // The friend on B registers there; the own account logs in on A.
    QCOMPARE(e2e->Register(e2e->B().Port(), ZhaoProfile()), 1);
    client = &e2e->StartClient();
    pipeline = std::make_unique<SendingPipeline>(client->session, client->transfers);
    QVERIFY(e2e->LogIn(e2e->A().Port(), demo::kZhang, demo::kZhangKey));
}

void SendPageEndToEndTest::cleanup() {
    page.reset();
    pipeline.reset();
    e2e.reset();
}

QString SendPageEndToEndTest::WriteFile(const QString& name, const QByteArray& content) const {
    const QString path = e2e->FilePath(QStringLiteral("pick/") + name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) return {};
    return path;
}

void SendPageEndToEndTest::twoFilesToTwoFriendsOnTwoServersOneUploadAtATimeEach() {
    QByteArray chunks(2 * 7848 + 1000, '\0');  // three chunks
    QRandomGenerator rng(17);
    for (char& c : chunks) c = static_cast<char>(rng.generate());
    const QByteArray note = QStringToGbk(QStringLiteral("周报：一切顺利。\r\n"));
    QVERIFY(!WriteFile(QStringLiteral("三块.bin"), chunks).isEmpty());
    QVERIFY(!WriteFile(QStringLiteral("周报.txt"), note).isEmpty());
    QVERIFY(!WriteFile(QStringLiteral("不发.txt"), "left out").isEmpty());
    const QList<QByteArray> beforeA = StoredFiles(e2e->FilePath(QStringLiteral("a")));

    page = std::make_unique<SendPage>(client->session, boxes, SendPage::Through(*pipeline, voice));
    page->resize(900, 500);
    page->show();
    // 李四 on A (the demo's public key is the number), 赵六 on B.
    page->Friends().AddOrUpdateFriend(FriendProfile(demo::kLi, QStringLiteral("李四"), demo::kLi));
    page->Friends().AddOrUpdateFriend(FriendProfile(kZhao, QStringLiteral("赵六"), "zhao-pub"));
    page->Friends().SetAllChecked(true);

    QVERIFY(page->Files().ShowFolder(e2e->FilePath(QStringLiteral("pick")), false));
    LocalFileListView& view = page->FileView();
    for (const char* name : {"三块.bin", "周报.txt"}) {
        const int row = page->Files().FindRow(QString::fromUtf8(name));
        QVERIFY(row >= 0);
        view.selectionModel()->select(view.model()->index(row, 0), QItemSelectionModel::Select);
    }

    // At every step no more than one upload runs per friend.
    const TransferTable& table = client->transfers.Table();
    int mostRunning = 0;
    int uploadsSeen = 0;
    const auto count = [&] {
        std::map<QString, int> running;
        for (int row = 0; row < table.RowCount(); ++row) {
            const TransferState state = table.Row(row).state;
            if (state == TransferState::UploadStarted || state == TransferState::Uploading)
                mostRunning =
                    std::max(mostRunning, ++running[table.Cell(row, TransferTable::kSentTo)]);
        }
    };
    connect(&table, &TransferTable::dataChanged, this, count);
    connect(&table, &TransferTable::rowsAboutToBeRemoved, this, [&] {
        ++uploadsSeen;
        count();
    });

    page->findChild<QPushButton*>(QStringLiteral("sendButton"))->click();
    QCOMPARE(table.RowCount(), 4);
    // Friend by friend, file by file, in list order (李四 first: the first friend stays on top).
    QCOMPARE(table.Cell(0, TransferTable::kName), QStringLiteral("三块.bin"));
    QCOMPARE(table.Cell(0, TransferTable::kSentTo), QStringLiteral("李四"));
    QCOMPARE(table.Cell(1, TransferTable::kName), QStringLiteral("周报.txt"));
    QCOMPARE(table.Cell(2, TransferTable::kSentTo), QStringLiteral("赵六"));
    QTRY_COMPARE_WITH_TIMEOUT(table.RowCount(), 0, 60000);
    QCOMPARE(uploadsSeen, 4);
    QCOMPARE(mostRunning, 1);
    QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join(QLatin1Char('\n'))));

    // A row goes at 100 %, before the server has stored the last chunk: wait for the stores.
    const auto sorted = [](QList<QByteArray> list) {
        std::sort(list.begin(), list.end());
        return list;
    };
    const auto newOnA = [&] {
        QList<QByteArray> onA = StoredFiles(e2e->FilePath(QStringLiteral("a")));
        for (const QByteArray& old : beforeA) onA.removeOne(old);
        return sorted(onA);
    };
    const QList<QByteArray> expected = sorted({chunks, note});
    QTRY_COMPARE_WITH_TIMEOUT(newOnA(), expected, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(sorted(StoredFiles(e2e->FilePath(QStringLiteral("b")))), expected,
                              30000);
}

}  // namespace tessan

QTEST_MAIN(tessan::SendPageEndToEndTest)
#include "sendpage_endtoend_test.moc"
