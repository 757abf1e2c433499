// The whole client goes while its uploads run against a real server: the window and its pages,
// then the services in their stated order, the library last with its threads still moving data.
// The sanitizer builds run this test on a client built with AddressSanitizer.
#include "messaging/sendpage/sendpage.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QRandomGenerator>
#include <QSignalSpy>

namespace tessan {

class TeardownTest : public QObject {
    Q_OBJECT

  private slots:
    void theClientGoesWhileUploadsRun();
};

void TeardownTest::theClientGoesWhileUploadsRun() {
    ScriptedMessageBoxes boxes;
    EndToEnd e2e(boxes);
    QVERIFY(e2e.IsValid());
    const TessdProcess* server = e2e.StartServer(u"server"_qs);
    QVERIFY(server && e2e.PointAllAt(server->Port()));
    // Many chunks, and within the 5 MiB of a free account's space.
    QByteArray content(4 << 20, '\0');
    QRandomGenerator(26).fillRange(reinterpret_cast<quint32*>(content.data()), content.size() / 4);
    QFile file(e2e.FilePath(u"big.bin"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    std::unique_ptr<ClientApp> client = ShowClient(e2e, boxes);
    QVERIFY(client);
    QSignalSpy accepted(&client->Login(), &LoginState::ownLoginAccepted);
    LogInThroughDialog(client->Window(), demo::kZhang, demo::kZhangKey);
    QTRY_COMPARE_WITH_TIMEOUT(accepted.count(), 1, EndToEnd::kWait);
    // The own entry, Li and Wang: one upload into the own space, two to friends' spaces.
    QTRY_COMPARE_WITH_TIMEOUT(client->Send().Friends().RowCount(), 3, EndToEnd::kWait);
    client->Send().FanOutFile(file.fileName(), u"big.bin"_qs, false);
    TransferQueue& transfers = client->Transfers();
    QCOMPARE(transfers.RowCount(), 3);
    const auto moving = [&transfers] {
        for (int row = 0; row < transfers.RowCount(); ++row)
            if (transfers.Table().Row(row).state == TransferState::Uploading) return true;
        return transfers.RowCount() == 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(moving(), EndToEnd::kWait);

    client.reset();
    // What the library posted before it stopped finds nothing to call.
    QCoreApplication::processEvents();
}

}  // namespace tessan

QTEST_MAIN(tessan::TeardownTest)
#include "teardown_test.moc"
