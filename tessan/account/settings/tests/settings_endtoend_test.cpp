// The profile settings against a real development server: new keys are stored by the server, the
// own profile follows at once, and the next login needs the new private key.
#include "account/settings/profilesettings.h"
#include "testsupport/endtoend.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QSignalSpy>
#include <QTest>

namespace tessan {

namespace {

using demo::kZhang;
constexpr int kWait = 10000;

}  // namespace

class SettingsEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void newKeysAreStoredAndTheNextLoginNeedsThem();
};

void SettingsEndToEndTest::newKeysAreStoredAndTheNextLoginNeedsThem() {
    ScriptedMessageBoxes boxes;
    EndToEnd e2e(boxes);
    QVERIFY(e2e.IsValid());
    const TessdProcess* server = e2e.StartServer(u"server"_qs);
    QVERIFY(server);
    ClientParts& client = e2e.StartClient();
    const UserProfile& own = client.session.OwnProfile();
    QVERIFY(e2e.LogIn(server->Port(), kZhang, "zhang123"));
    QTRY_COMPARE_WITH_TIMEOUT(own.Number(), QString::fromLatin1(kZhang), kWait);
    ProfileSettings settings(client.connections.Lib(), boxes, client.session.CurrentAccount(),
                             [&own]() -> const UserProfile& { return own; }, {});
    ProfileValues values = *settings.ValuesToShow();
    QCOMPARE(At(values, ProfileBox::PrivateKey), u"zhang123"_qs);
    At(values, ProfileBox::PrivateKey) = At(values, ProfileBox::Confirmation) = u"zhang-新"_qs;
    At(values, ProfileBox::PublicKey) = u"zhang-pub"_qs;
    QSignalSpy changed(&client.login.Notifications(), &NotificationHub::modifyUserResult);
    QVERIFY(!settings.Save(values));
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kWait);
    QCOMPARE(changed[0][0].value<Reply>().status, 1);
    QVERIFY(boxes.Shown().empty());
    // The server follows its answer with the profile as stored: the new keys without a new login.
    QTRY_COMPARE_WITH_TIMEOUT(own.PublicKey(), u"zhang-pub"_qs, kWait);
    QCOMPARE(own.Text(UserProfile::Field::PrivateKey), u"zhang-新"_qs);

    QVERIFY(!e2e.LogIn(server->Port(), kZhang, "zhang123"));
    QVERIFY(e2e.LogIn(server->Port(), kZhang, "zhang-\xD0\xC2"));  // GBK
    QTRY_COMPARE_WITH_TIMEOUT(own.Name(), u"张三"_qs, kWait);
    QCOMPARE(own.Text(UserProfile::Field::PrivateKey), u"zhang-新"_qs);
}

}  // namespace tessan

QTEST_MAIN(tessan::SettingsEndToEndTest)
#include "settings_endtoend_test.moc"
