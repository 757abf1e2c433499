// The profile settings against a real development server: new keys are stored by the server, the
// own profile follows at once, and the next login needs the new private key.
#include "account/settings/profilesettings.h"
#include "core/library/tessnetlibrary.h"
#include "testsupport/scriptedmessageboxes.h"
#include "testsupport/tessdprocess.h"

#include <QTemporaryDir>
#include <QTest>

namespace tessan {

namespace {

constexpr char kZhang[] = "0086-10-1234567";
constexpr int kWait = 10000;

}  // namespace

class SettingsEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void newKeysAreStoredAndTheNextLoginNeedsThem();

  private:
    int Connect(const char* number, const QByteArray& key);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TessdProcess> server;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<TessnetLibrary> library;
    AccountText own;
    UserProfile ownProfile;
    int loginStatus = -1;
    int profileStatus = -1;
};

void SettingsEndToEndTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    server = std::make_unique<TessdProcess>();
    QVERIFY(server->Start(QStringLiteral(TESSD_PROGRAM), dir->filePath(u"server"_qs)));
    library = std::make_unique<TessnetLibrary>(boxes);
    library->Init(dir->filePath(u"download"_qs), [this](const Notification& n) {
        const Reply* r = n.reply();
        if (!r) return;
        if (n.type == note::kLogin) loginStatus = r->status;
        if (n.type == note::kModifyUser) profileStatus = r->status;
        if (n.type == note::kOwnProfile)
            ownProfile = *UserProfile::FromBytes(std::span(
                reinterpret_cast<const std::uint8_t*>(r->data.constData()), UserProfile::kSize));
    });
}

void SettingsEndToEndTest::cleanup() {
    if (library) {
        library->DisconnectServer(kZhang);
        library->Free();
    }
    library.reset();
    server.reset();
    own.Clear();
}

int SettingsEndToEndTest::Connect(const char* number, const QByteArray& key) {
    loginStatus = -1;
    ownProfile = {};
    if (library->ConnectServer("127.0.0.1", server->Port(), number, key) != 1) return -2;
    if (!QTest::qWaitFor([this] { return loginStatus != -1; }, kWait)) return -3;
    return loginStatus;
}

void SettingsEndToEndTest::newKeysAreStoredAndTheNextLoginNeedsThem() {
    own.Set(kZhang);
    QCOMPARE(Connect(kZhang, "zhang123"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ownProfile.Number(), QString::fromLatin1(kZhang), kWait);
    ProfileSettings settings(dir->path(), *library, boxes, own,
                             [this]() -> const UserProfile& { return ownProfile; });
    ProfileValues values = *settings.ValuesToShow();
    QCOMPARE(At(values, ProfileBox::PrivateKey), u"zhang123"_qs);
    At(values, ProfileBox::PrivateKey) = At(values, ProfileBox::Confirmation) = u"zhang-新"_qs;
    At(values, ProfileBox::PublicKey) = u"zhang-pub"_qs;
    QVERIFY(!settings.Save(values));
    QTRY_COMPARE_WITH_TIMEOUT(profileStatus, 1, kWait);
    QVERIFY(boxes.Shown().empty());
    // The server follows its answer with the profile as stored: the new keys without a new login.
    QTRY_COMPARE_WITH_TIMEOUT(ownProfile.PublicKey(), u"zhang-pub"_qs, kWait);
    QCOMPARE(ownProfile.Text(UserProfile::Field::PrivateKey), u"zhang-新"_qs);
    library->DisconnectServer(kZhang);

    QCOMPARE(Connect(kZhang, "zhang123"), 0);
    library->DisconnectServer(kZhang);
    QCOMPARE(Connect(kZhang, QStringToGbk(u"zhang-新"_qs)), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ownProfile.PublicKey(), u"zhang-pub"_qs, kWait);
    QCOMPARE(ownProfile.Text(UserProfile::Field::PrivateKey), u"zhang-新"_qs);
    QCOMPARE(ownProfile.Name(), u"张三"_qs);
}

}  // namespace tessan

QTEST_MAIN(tessan::SettingsEndToEndTest)
#include "settings_endtoend_test.moc"
