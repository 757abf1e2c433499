// The received-files page in the real main window against a real development server: the real
// library, real sockets and a tessd process on an ephemeral loopback port. A friend sends three
// files into the own space; the owner logs in, and the page lists, downloads and deletes them.
#include "core/transfers/transferlogs.h"
#include "messaging/received/receivedfilespage.h"
#include "messaging/textmessagedialog.h"
#include "messaging/wavfile.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace tessan {

namespace {

const QByteArray kOwner = demo::kZhang;
const QByteArray kFriend = demo::kLi;

// The library as the page sees it, with the requests that matter written into one event list
// beside the notifications, so the test can check their order.
class RecordingLibrary final : public Library {
  public:
    RecordingLibrary(Library& real, QStringList& events) : real_(real), events_(events) {}
    // Notifications are written down before the client handles them.
    int Init(const QString& folder, Sink sink) override {
        return real_.Init(folder, [this, sink = std::move(sink)](const Notification& n) {
            Note(n);
            sink(n);
        });
    }
    int Free() override { return real_.Free(); }
    int ConnectServer(const QByteArray& address, int port, const QByteArray& account,
                      const QByteArray& password) override {
        return real_.ConnectServer(address, port, account, password);
    }
    int ConnectPlain(const QByteArray& address, int port, const QByteArray& account) override {
        return real_.ConnectPlain(address, port, account);
    }
    int DisconnectServer(const QByteArray& account) override {
        return real_.DisconnectServer(account);
    }
    int UploadFile(const QByteArray& sender, const QByteArray& account,
                   const QString& path) override {
        return real_.UploadFile(sender, account, path);
    }
    int DownLoad(const QByteArray& account, const QByteArray& name) override {
        events_.append(u"DownLoad "_qs + GbkToQString(name));
        return real_.DownLoad(account, name);
    }
    int DelFile(const QByteArray& account, const QByteArray& name) override {
        events_.append(u"DelFile "_qs + GbkToQString(name));
        return real_.DelFile(account, name);
    }
    int ListFile(const QByteArray& account) override {
        events_.append(u"ListFile"_qs);
        return real_.ListFile(account);
    }
    int Confirm(const QByteArray& account, const QByteArray& name, bool go) override {
        return real_.Confirm(account, name, go);
    }
    int RegisterUser(const QByteArray& a, int p, const UserProfile& u) override {
        return real_.RegisterUser(a, p, u);
    }
    int ModifyUser(const UserProfile& u) override { return real_.ModifyUser(u); }
    int AddFriend(const QByteArray& a, const FriendRecord& f) override {
        return real_.AddFriend(a, f);
    }
    int DelFriend(const QByteArray& a, const QByteArray& f) override {
        return real_.DelFriend(a, f);
    }
    int ModifyFriend(const QByteArray& a, const FriendRecord& f) override {
        return real_.ModifyFriend(a, f);
    }
    int DownLoadIni(const QByteArray& a, const QByteArray& n) override {
        return real_.DownLoadIni(a, n);
    }
    int SendData(const QByteArray& a, const QByteArray& p, int c) override {
        return real_.SendData(a, p, c);
    }

    // File lists that arrive on other connections than the own one, as the server sent them.
    std::vector<ReceivedFileEntry> othersEntries;
    int othersSummaries = 0;
    // Login results on other connections, and upload queues run empty, whoever they are for.
    int othersLogins = 0;
    int queueEmpties = 0;

  private:
    void Note(const Notification& n) {
        if (n.type == note::kLogin && n.reply()->account != kOwner) ++othersLogins;
        if (n.type == note::kQueueEmpty) ++queueEmpties;
        if (n.type == note::kListSummary && n.reply()->account != kOwner) ++othersSummaries;
        if (n.type == note::kFileEntries && n.reply()->account != kOwner) {
            const Reply& r = *n.reply();
            for (auto& e : ReceivedFileEntry::ParseAll(QByteArrayView(r.data).first(r.dataLength)))
                othersEntries.push_back(std::move(e));
        }
        if (n.type == note::kListSummary) events_.append(u"5"_qs);
        if (n.type == note::kDownloadAnswer) events_.append(u"7 "_qs + n.reply()->TextAt(0));
        if (n.type == note::kDelete) events_.append(u"11"_qs);
    }

    Library& real_;
    QStringList& events_;
};

QByteArray Random(int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& b : bytes) b = static_cast<char>(generator.bounded(256));
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ReceivedEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void friendsFilesAreListedDownloadedAndDeleted();
    void aTextReplyReachesTheSendersSpace();

  private:
    // The friend sends `names` from `folder` into the own space, then the owner logs in and
    // opens the page, which lists them.
    void ReceiveFromFriend(const QString& folder, const QStringList& names);
    QPushButton* PageButton(const char* name) const {
        return client->ReceivedFiles().findChild<QPushButton*>(QString::fromLatin1(name));
    }

    ScriptedMessageBoxes boxes;
    std::unique_ptr<RecordingLibrary> library;
    std::unique_ptr<EndToEnd> e2e;
    TessdProcess* server = nullptr;
    std::unique_ptr<ClientApp> client;
    ClientSession* session = nullptr;
    MainWindow* window = nullptr;
    QStringList events;
};

void ReceivedEndToEndTest::init() {
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid());
    QVERIFY(server = e2e->StartServer(u"server"_qs));
    QVERIFY(e2e->PointAllAt(server->Port()));
    library = std::make_unique<RecordingLibrary>(e2e->Tessnet(), events);
    QVERIFY(client = ShowClient(*e2e, boxes, library.get()));
    session = &client->Session();
    window = &client->Window();
}

void ReceivedEndToEndTest::cleanup() {
    client.reset();
    e2e.reset();
    library.reset();
}

void ReceivedEndToEndTest::ReceiveFromFriend(const QString& folder, const QStringList& names) {
    // Sent the way the sending pipeline does: into the owner's space with the public key.
    const int emptied = library->queueEmpties;
    QCOMPARE(library->ConnectServer("127.0.0.1", server->Port(), kOwner, kOwner), 1);
    for (const QString& name : names)
        QCOMPARE(library->UploadFile(kFriend, kOwner, folder + u"/"_qs + name), 1);
    QTRY_VERIFY_WITH_TIMEOUT(library->queueEmpties > emptied, 20000);
    library->DisconnectServer(kOwner);

    // The owner logs in through the login dialog.
    events.clear();
    QPointer<LoginDialog> dialog = LogInThroughDialog(*window, demo::kZhang, demo::kZhangKey);
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog || !dialog->isVisible(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(session->OwnQuota(), 5242880, 10000);
    // The login's own look for new files has had its answer.
    QTRY_VERIFY_WITH_TIMEOUT(events.contains(u"5"_qs), 10000);

    // "收取文件" shows the page and asks for the list.
    events.clear();
    QPushButton* received = window->findChild<QPushButton*>(u"receivedFilesButton"_qs);
    QVERIFY(received->isEnabled());
    received->click();
    QCOMPARE(window->CurrentPage(), int(MainWindow::kReceivedFiles));
    QTRY_COMPARE_WITH_TIMEOUT(events, (QStringList{u"ListFile"_qs, u"5"_qs}), 10000);
}

void ReceivedEndToEndTest::friendsFilesAreListedDownloadedAndDeleted() {
    // The friend's three files: a text message, a binary of several chunks, a voice message.
    const QString outbox = e2e->FilePath(u"outbox"_qs);
    QVERIFY(QDir().mkpath(outbox));
    const QByteArray text = QStringToGbk(u"你好，文件收到了吗？\r\n"_qs);
    const QByteArray binary = Random(3 * 7848 + 1000, 7);
    QVERIFY(WriteFile(outbox + u"/问候.txt"_qs, text));
    QVERIFY(WriteFile(outbox + u"/data.bin"_qs, binary));
    QVERIFY(WriteWavFile(outbox + u"/语音.wav"_qs, kVoiceFormat, Random(11025, 8)));
    const QByteArray voice = ReadFile(outbox + u"/语音.wav"_qs);

    ReceiveFromFriend(outbox, {u"问候.txt"_qs, u"data.bin"_qs, u"语音.wav"_qs});
    if (QTest::currentTestFailed()) return;
    ReceivedFiles& files = client->ReceivedFiles().Rules();
    const ReceivedFilesModel& model = files.Model();
    QCOMPARE(model.RowCount(), 3);
    QStringList names;
    for (int row = 0; row < 3; ++row) {
        const auto& r = model.At(row);
        names.append(r.fileNameText);
        QCOMPARE(r.senderNumberText, QString::fromLatin1(kFriend));
        QCOMPARE(r.senderNameText, u"李四"_qs);
        // Sent within the last minutes, shown in local time.
        const QDateTime sent =
            QDateTime::fromString(model.DateText(row), u"yyyy-MM-dd HH:mm:ss"_qs);
        QVERIFY(sent.isValid());
        QVERIFY(qAbs(sent.secsTo(QDateTime::currentDateTime())) < 600);
    }
    names.sort();
    QCOMPARE(names, (QStringList{u"data.bin"_qs, u"语音.wav"_qs, u"问候.txt"_qs}));
    for (int row = 0; row < 3; ++row) {
        const auto& r = model.At(row);
        const qint64 size = r.fileNameText == u"data.bin"_qs   ? binary.size()
                            : r.fileNameText == u"问候.txt"_qs ? text.size()
                                                               : voice.size();
        QCOMPARE(r.sizeText, ReceivedFilesModel::SizeText(static_cast<std::uint32_t>(size)));
    }
    QCOMPARE(model.TotalBytes(), text.size() + binary.size() + voice.size());

    // All three in one command: fetched one after another.
    events.clear();
    PageButton("selectAllButton")->click();
    PageButton("downloadButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(client->Transfers().RowCount(), 0, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 6, 10000);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(events[2 * i].startsWith(u"DownLoad "_qs), qPrintable(events.join(u" | "_qs)));
        QVERIFY2(events[2 * i + 1].startsWith(u"7 "_qs), qPrintable(events.join(u" | "_qs)));
        QCOMPARE(events[2 * i].section(u'@', 1), events[2 * i + 1].mid(2));
    }
    const QString downloads = session->DownloadFolder() + u"/"_qs;
    QCOMPARE(ReadFile(downloads + u"问候.txt"_qs), text);
    QCOMPARE(ReadFile(downloads + u"data.bin"_qs), binary);
    QCOMPARE(ReadFile(downloads + u"语音.wav"_qs), voice);
    const QString log =
        GbkToQString(ReadFile(TransferLogPath(e2e->Path(), kOwner, TransferLog::Receive)));
    QCOMPARE(log.count(u"[接收] 自:0086-10-7654321"_qs), 3);
    for (const QString& name : {u"问候.txt"_qs, u"data.bin"_qs, u"语音.wav"_qs})
        QVERIFY2(log.contains(u"文件:"_qs + name + u"\r\n"_qs), qPrintable(log));

    // Deleting two: removed on the server, and the list is asked for once, after both answers.
    PageButton("selectAllButton")->click();  // every box cleared
    int keep = -1;
    for (int row = 0; row < 3; ++row) {
        if (model.At(row).fileNameText == u"data.bin"_qs)
            keep = row;
        else
            files.Model().SetChecked(row, true);
    }
    events.clear();
    boxes.Script({MessageBoxes::Answer::Yes});
    PageButton("deleteButton")->click();
    QVERIFY(keep >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 6, 10000);
    QCOMPARE(events.mid(2), (QStringList{u"11"_qs, u"11"_qs, u"ListFile"_qs, u"5"_qs}));
    QCOMPARE(model.RowCount(), 1);
    QCOMPARE(model.At(0).fileNameText, u"data.bin"_qs);
    QVERIFY(PageButton("deleteButton")->isEnabled());
}

void ReceivedEndToEndTest::aTextReplyReachesTheSendersSpace() {
    const QString outbox = e2e->FilePath(u"outbox"_qs);
    QVERIFY(QDir().mkpath(outbox));
    QVERIFY(WriteFile(outbox + u"/report.final.doc"_qs, "draft"));
    ReceiveFromFriend(outbox, {u"report.final.doc"_qs});
    if (QTest::currentTestFailed()) return;
    ReceivedFilesPage& page = client->ReceivedFiles();
    QTRY_COMPARE_WITH_TIMEOUT(page.Rules().Model().RowCount(), 1, 10000);

    // "文字回复" on the row: the text dialog, sent with OK as it comes.
    page.View()->selectRow(0);
    QString subject, body;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<TextMessageDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        subject = dialog->findChild<QLineEdit*>(u"subject"_qs)->text();
        body = dialog->findChild<QPlainTextEdit*>(u"body"_qs)->toPlainText();
        dialog->findChild<QPushButton*>(u"okButton"_qs)->click();
    });
    const int emptied = library->queueEmpties;
    page.ReplyWithText();
    QCOMPARE(subject, u"RE：report"_qs);
    QVERIFY2(body.startsWith(u"李四您好:"_qs), qPrintable(body));
    QVERIFY2(body.contains(u"张三  0086-10-1234567"_qs), qPrintable(body));
    QTRY_VERIFY_WITH_TIMEOUT(library->queueEmpties > emptied, 20000);

    // The friend finds the reply in the own space, from the owner.
    const int logins = library->othersLogins;
    QCOMPARE(library->ConnectServer("127.0.0.1", server->Port(), kFriend, demo::kLiKey), 1);
    QTRY_VERIFY_WITH_TIMEOUT(library->othersLogins > logins, 10000);
    QCOMPARE(library->ListFile(kFriend), 1);
    QTRY_COMPARE_WITH_TIMEOUT(library->othersSummaries, 1, 10000);
    QStringList names;
    for (const ReceivedFileEntry& e : library->othersEntries)
        names.append(GbkToQString(e.senderNumber + '@' + e.FileName()));
    QCOMPARE(names, QStringList{u"0086-10-1234567@RE：report.txt"_qs});
    const ReceivedFileEntry& reply = library->othersEntries.front();
    QCOMPARE(reply.senderNumber, kOwner);
    QCOMPARE(GbkToQString(reply.FileName()), u"RE：report.txt"_qs);
    QVERIFY(reply.fileSize > 0);
    library->DisconnectServer(kFriend);
}

}  // namespace tessan

QTEST_MAIN(tessan::ReceivedEndToEndTest)
#include "received_endtoend_test.moc"
