// The received-files page against a real development server: the real library, real sockets and
// a tessd process on an ephemeral loopback port. A friend sends three files into the own space;
// the page lists, downloads and deletes them.
#include "core/library/notificationhub.h"
#include "core/library/tessnetlibrary.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferlogs.h"
#include "core/transfers/transferqueue.h"
#include "messaging/received/receivedfilespage.h"
#include "messaging/wavfile.h"
#include "testsupport/scriptedmessageboxes.h"
#include "testsupport/tessdprocess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

namespace {

const QByteArray kOwner = "0086-10-1234567";
const QByteArray kOwnerKey = "zhang123";
const QByteArray kFriend = "0086-10-7654321";  // 李四; public keys equal the numbers

// The library as the page sees it, with the requests that matter written into one event list
// beside the notifications, so the test can check their order.
class RecordingLibrary final : public Library {
  public:
    RecordingLibrary(Library& real, QStringList& events) : real_(real), events_(events) {}
    int Init(const QString& folder, Sink sink) override { return real_.Init(folder, sink); }
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

  private:
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

  private:
    void Route(const Notification& n);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TessdProcess> server;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<TessnetLibrary> tessnet;
    std::unique_ptr<RecordingLibrary> library;
    std::unique_ptr<ClientSession> session;
    std::unique_ptr<ReceivedFilesPage> page;
    QStringList events;
    QStringList notices;
    int queueEmpty = 0;
    int ownLogin = -1;
};

void ReceivedEndToEndTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir(dir->path()).mkpath(u"log"_qs));
    server = std::make_unique<TessdProcess>();
    QVERIFY(server->Start(QStringLiteral(TESSD_PROGRAM), dir->filePath(u"server"_qs)));
    tessnet = std::make_unique<TessnetLibrary>(boxes);
    library = std::make_unique<RecordingLibrary>(*tessnet, events);
    session = std::make_unique<ClientSession>(dir->path(), *library, boxes);
    connect(session.get(), &ClientSession::noticeShown, this,
            [this](const QString& text, bool) { notices.append(text); });
    page = std::make_unique<ReceivedFilesPage>(
        *session, [] {}, ReceivedFilesPage::Replies{});
    QCOMPARE(library->Init(session->DownloadFolder(), [this](const Notification& n) { Route(n); }),
             1);
}

void ReceivedEndToEndTest::cleanup() {
    if (library) {
        library->DisconnectServer(kOwner);
        library->Free();
    }
    page.reset();
    session.reset();
    library.reset();
    tessnet.reset();
    server.reset();
}

void ReceivedEndToEndTest::Route(const Notification& n) {
    const Reply* reply = n.reply();
    switch (n.type) {
        case note::kLogin:
            if (reply->account == kOwner && session->CurrentAccount().Bytes() == kOwner)
                ownLogin = reply->status;
            break;
        case note::kQueueEmpty:
            ++queueEmpty;
            break;
        case note::kListSummary:
            events.append(u"5"_qs);
            break;
        case note::kDownloadAnswer:
            events.append(u"7 "_qs + reply->TextAt(0));
            break;
        case note::kDelete:
            events.append(u"11"_qs);
            break;
        default:
            break;
    }
    // The page hears its notifications through the session, as in the program.
    session->Notifications().Dispatch(n);
}

void ReceivedEndToEndTest::friendsFilesAreListedDownloadedAndDeleted() {
    // The friend's three files: a text message, a binary of several chunks, a voice message.
    const QString outbox = dir->filePath(u"outbox"_qs);
    QVERIFY(QDir().mkpath(outbox));
    const QByteArray text = QStringToGbk(u"你好，文件收到了吗？\r\n"_qs);
    const QByteArray binary = Random(3 * 7848 + 1000, 7);
    QVERIFY(WriteFile(outbox + u"/问候.txt"_qs, text));
    QVERIFY(WriteFile(outbox + u"/data.bin"_qs, binary));
    QVERIFY(WriteWavFile(outbox + u"/语音.wav"_qs, kVoiceFormat, Random(11025, 8)));
    const QByteArray voice = ReadFile(outbox + u"/语音.wav"_qs);

    // Sent the way the sending pipeline does: into the owner's space with the public key.
    QCOMPARE(library->ConnectServer("127.0.0.1", server->Port(), kOwner, kOwner), 1);
    for (const QString& name : {u"问候.txt"_qs, u"data.bin"_qs, u"语音.wav"_qs})
        QCOMPARE(library->UploadFile(kFriend, kOwner, outbox + u"/"_qs + name), 1);
    QTRY_VERIFY_WITH_TIMEOUT(queueEmpty > 0, 20000);
    library->DisconnectServer(kOwner);

    // The owner logs in.
    session->SetCurrentLogin(QString::fromLatin1(kOwner), QString::fromLatin1(kOwnerKey));
    QCOMPARE(library->ConnectServer("127.0.0.1", server->Port(), kOwner, kOwnerKey), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ownLogin, 1, 10000);

    ReceivedFiles& files = page->Rules();
    events.clear();
    files.Refresh();
    QTRY_COMPARE_WITH_TIMEOUT(events, (QStringList{u"ListFile"_qs, u"5"_qs}), 10000);
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
    files.ToggleCheckAll();
    files.DownloadChecked({});
    QTRY_COMPARE_WITH_TIMEOUT(session->Transfers().RowCount(), 0, 20000);
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
        GbkToQString(ReadFile(TransferLogPath(dir->path(), kOwner, TransferLog::Receive)));
    QCOMPARE(log.count(u"[接收] 自:0086-10-7654321"_qs), 3);
    for (const QString& name : {u"问候.txt"_qs, u"data.bin"_qs, u"语音.wav"_qs})
        QVERIFY2(log.contains(u"文件:"_qs + name + u"\r\n"_qs), qPrintable(log));

    // Deleting two: removed on the server, and the list is asked for once, after both answers.
    files.ToggleCheckAll();  // off
    int keep = -1;
    for (int row = 0; row < 3; ++row) {
        if (model.At(row).fileNameText == u"data.bin"_qs)
            keep = row;
        else
            page->Rules().Model().SetChecked(row, true);
    }
    events.clear();
    boxes.Script({MessageBoxes::Answer::Yes});
    files.DeleteChecked({});
    QVERIFY(keep >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 6, 10000);
    QCOMPARE(events.mid(2), (QStringList{u"11"_qs, u"11"_qs, u"ListFile"_qs, u"5"_qs}));
    QCOMPARE(model.RowCount(), 1);
    QCOMPARE(model.At(0).fileNameText, u"data.bin"_qs);
    QVERIFY(files.DeleteEnabled());
}

}  // namespace tessan

QTEST_MAIN(tessan::ReceivedEndToEndTest)
#include "received_endtoend_test.moc"
