// The profile settings against a real development server: new keys are stored by the server, the
// own profile follows at once, and the next login needs the new private key.
#include "account/settings/profilesettings.h"
#include "testsupport/endtoend.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QTest>

namespace tessan {

namespace {

using demo::kZhang;
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

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    TessdProcess* server = nullptr;
    TessnetLibrary* library = nullptr;
    AccountText own;
    UserProfile ownProfile;
    int loginStatus = -1;
    int profileStatus = -1;
};

void SettingsEndToEndTest::init() {
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid());
    QVERIFY(server = e2e->StartServer(u"server"_qs));
    library = &e2e->Tessnet();
    QVERIFY(e2e->StartLibrary([this](const Notification& n) {
        const Reply* r = n.reply();
        if (!r) return;
        if (n.type == note::kLogin) loginStatus = r->status;
        if (n.type == note::kModifyUser) profileStatus = r->status;
        if (n.type == note::kOwnProfile)
            ownProfile = *UserProfile::FromBytes(std::span(
                reinterpret_cast<const std::uint8_t*>(r->data.constData()), UserProfile::kSize));
    }));
}

void SettingsEndToEndTest::cleanup() {
    if (library) library->DisconnectServer(kZhang);
    library = nullptr;
    server = nullptr;
    e2e.reset();
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
    ProfileSettings settings(*library, boxes, own,
                             [this]() -> const UserProfile& { return ownProfile; }, {});
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
