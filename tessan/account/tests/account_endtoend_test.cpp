// Registration and recharge through the real client against a real development server: the real
// library, real sockets, a real tessd on an ephemeral loopback port, the main window and its login
// dialog, the wizard and the recharge dialog on the offscreen platform.
#include "account/recharge/rechargedialog.h"
#include "account/registration/registrationwizard.h"
#include "testsupport/mainwindowdriver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessan {

namespace {

constexpr int kWait = 10000;
constexpr char kNewNumber[] = "0086-10-2345678";
constexpr char kNewKey[] = "Zhao6Secret";
const QString kLoginLost = QStringLiteral("断开与服务器的连接，请重新登录!");

// A loopback port that takes connections (the kernel completes them) and never says a word.
class SilentServer {
  public:
    SilentServer() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    ~SilentServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Port() const { return port_; }

  private:
    int fd_;
    int port_ = 0;
};

// Every diagnostic line the client writes while a test runs.
QStringList* logged = nullptr;
void KeepMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (logged) logged->append(text);
}

}  // namespace

class AccountEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void registerThroughTheWizardAndLogInFromTheList();
    void registeringATakenNumberIsRefused();
    void rechargeOfTheLoggedInAccountAsksAndLogsInAgain();
    void usedCardAndWrongCardNumberAreRefused();
    void paidAccountHasItsTypeLockedAndAnUnknownNumberIsTold();
    void silentServerLeavesBothUsable();

  private:
    LoginDialog* OpenLoginDialog() { return tessan::OpenLoginDialog(*window); }
    // Presses "登录" in the open login dialog with what it shows, or with `number` and `key`.
    void LogIn(const char* number = nullptr, const char* key = nullptr) {
        QVERIFY(LogInThroughDialog(*window, number, key));
    }
    QString Title(const char* label, const char* number) const;
    // "注册" in the login dialog, then the three pages filled in and finished.
    void Register(const QString& number, const QString& privateKey);
    // "充值" in the login dialog for `number` and the card, choosing `cardType` (0 to 2) when the
    // list is open; returns the server's notice.
    QString Recharge(const char* number, const QString& card, const QString& password,
                     int cardType = 0);
    // Runs `drive` inside the next recharge dialog's own loop.
    void OnNextRecharge(std::function<void(RechargeDialog*)> drive);

    ScriptedMessageBoxes boxes;
    std::unique_ptr<EndToEnd> e2e;
    std::unique_ptr<ClientApp> client;
    ClientSession* session = nullptr;
    MainWindow* window = nullptr;
    QStringList log;
    QtMessageHandler previousHandler = nullptr;
};

void AccountEndToEndTest::init() {
    boxes.Reset();
    log.clear();
    logged = &log;
    previousHandler = qInstallMessageHandler(KeepMessage);
    e2e = std::make_unique<EndToEnd>(boxes);
    QVERIFY(e2e->IsValid());
    const TessdProcess* server = e2e->StartServer(u"server"_qs);
    QVERIFY(server);
    QVERIFY(e2e->PointAllAt(server->Port()));
    QVERIFY(client = ShowClient(*e2e, boxes));
    session = &client->Session();
    window = &client->Window();
}

void AccountEndToEndTest::cleanup() {
    std::unique_ptr<EndToEnd> run = std::move(e2e);
    client.reset();
    session = nullptr;
    if (run) run->EndSession();
    qInstallMessageHandler(previousHandler);
    logged = nullptr;
    if (!run) return;
    // Nothing the client wrote or showed carries the private key typed in the wizard.
    for (const QString& line : log + run->notices)
        QVERIFY2(!line.contains(QLatin1String(kNewKey)), qPrintable(line));
    QDirIterator files(run->Path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(u"/remember.ini") || path.contains(u"/server/")) continue;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(kNewKey), qPrintable(path));
    }
}

QString AccountEndToEndTest::Title(const char* label, const char* number) const {
    return u"Tessan v1.32  "_qs + QString::fromUtf8(label) + u' ' + QString::fromLatin1(number) +
           u"  "_qs;
}

void AccountEndToEndTest::Register(const QString& number, const QString& privateKey) {
    LoginDialog* dialog = OpenLoginDialog();
    QVERIFY(dialog);
    AccountDialogs& accounts = client->Accounts();
    auto once = std::make_shared<QMetaObject::Connection>();
    *once =
        connect(&accounts, &AccountDialogs::wizardOpened, this,
                [once, number, privateKey](RegistrationWizard* wizard) {
                    QObject::disconnect(*once);
                    QTimer::singleShot(0, wizard, [wizard, number, privateKey] {
                        const auto type = [wizard](const char* name, const QString& text) {
                            wizard->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
                        };
                        const QStringList parts = number.split(u'-');
                        type("countryCode", parts[0]);
                        type("areaCode", parts[1]);
                        type("number", parts[2]);
                        type("name", u"赵六"_qs);
                        type("publicKey", number);
                        type("privateKey", privateKey);
                        type("confirmation", privateKey);
                        wizard->next();
                        type("mobile", u"13900000000"_qs);
                        wizard->next();
                        type("company", u"测试单位"_qs);
                        wizard->button(QWizard::FinishButton)->click();
                    });
                });
    dialog->findChild<QPushButton*>(u"registerButton"_qs)->click();
    QVERIFY(!accounts.Wizard()->isVisible());
    QCOMPARE(accounts.Wizard()->result(), int(QDialog::Accepted));
}

void AccountEndToEndTest::OnNextRecharge(std::function<void(RechargeDialog*)> drive) {
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(&client->Accounts(), &AccountDialogs::rechargeOpened, this,
                    [once, drive](RechargeDialog* dialog) {
                        QObject::disconnect(*once);
                        QTimer::singleShot(0, dialog, [drive, dialog] { drive(dialog); });
                    });
}

QString AccountEndToEndTest::Recharge(const char* number, const QString& card,
                                      const QString& password, int cardType) {
    LoginDialog* login = OpenLoginDialog();
    if (!login) return u"no login dialog"_qs;
    e2e->notices.clear();
    OnNextRecharge([=](RechargeDialog* dialog) {
        auto* first = dialog->findChild<QLineEdit*>(u"firstBox"_qs);
        auto* second = dialog->findChild<QLineEdit*>(u"secondBox"_qs);
        first->setText(QString::fromLatin1(number));
        second->setText(QString::fromLatin1(number));
        dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
        if (!QTest::qWaitFor([dialog] { return dialog->Controller().CurrentStep() != 0; }, kWait))
            return dialog->reject();
        auto* types = dialog->findChild<QComboBox*>(u"cardTypes"_qs);
        if (types->isEnabled()) types->setCurrentIndex(cardType);
        first->setText(card);
        second->setText(password);
        dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
    });
    login->findChild<QPushButton*>(u"rechargeButton"_qs)->click();
    if (!QTest::qWaitFor([this] { return !e2e->notices.isEmpty(); }, kWait)) return u"no result"_qs;
    return e2e->notices.first();
}

void AccountEndToEndTest::registerThroughTheWizardAndLogInFromTheList() {
    Register(QString::fromLatin1(kNewNumber), QString::fromLatin1(kNewKey));
    QTRY_COMPARE_WITH_TIMEOUT(e2e->notices.size(), 1, kWait);
    QCOMPARE(e2e->notices[0],
             u"新用户:0086-10-2345678注册成功!\r\n私钥:******,公钥:0086-10-2345678!"_qs);
    QVERIFY(boxes.Shown().empty());
    QFile remembered(e2e->FilePath(u"remember.ini"_qs));
    QCOMPARE(remembered.permissions() & (QFile::ReadGroup | QFile::ReadOther),
             QFile::Permissions());

    // The open login dialog lists the new account with its key: one press logs in.
    LoginDialog* dialog = window->OpenLogin();
    QCOMPARE(dialog->findChild<QComboBox*>(u"numberBox"_qs)->currentText(),
             QString::fromLatin1(kNewNumber));
    auto* key = dialog->findChild<QLineEdit*>(u"keyBox"_qs);
    QCOMPARE(key->echoMode(), QLineEdit::Password);
    QVERIFY(!key->text().isEmpty());
    LogIn();
    QTRY_VERIFY_WITH_TIMEOUT(!window->OpenLogin(), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), Title("免费用户", kNewNumber), kWait);
    QCOMPARE(session->OwnProfile().Name(), u"赵六"_qs);
    QCOMPARE(session->OwnProfile().Text(UserProfile::Field::Company), u"测试单位"_qs);
}

void AccountEndToEndTest::registeringATakenNumberIsRefused() {
    Register(u"0086-10-1234567"_qs, u"other"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(e2e->notices, QStringList{u"该Tessan号码已经被注册!"_qs}, kWait);
    QVERIFY(!QFile::exists(e2e->FilePath(u"remember.ini"_qs)));
}

void AccountEndToEndTest::rechargeOfTheLoggedInAccountAsksAndLogsInAgain() {
    LogIn("0086-10-5555555", "wang123");
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), Title("免费用户", "0086-10-5555555"), kWait);
    // From the login dialog of the logged-in account: the number is preset. Asked first; No
    // leaves the login as it was.
    boxes.Script({MessageBoxes::Answer::No});
    int step = -1;
    OnNextRecharge([&step](RechargeDialog* dialog) {
        dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
        step = dialog->Controller().CurrentStep();
        dialog->reject();
    });
    OpenLoginDialog()->findChild<QPushButton*>(u"rechargeButton"_qs)->click();
    QCOMPARE(step, 0);
    QCOMPARE(boxes.Shown().size(), 1u);
    QCOMPARE(boxes.Shown()[0].buttons, MessageBoxes::Buttons::YesNo);
    QVERIFY(client->Login().Holds("0086-10-5555555"));

    // Yes: the verdict, then the login again, whose title shows the new type.
    boxes.Script({MessageBoxes::Answer::Yes});
    QCOMPARE(Recharge("0086-10-5555555", u"100000001"_qs, u"1111"_qs, 0),
             u"充值成功! 帐号:0086-10-5555555 的空间已经升级."_qs);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), Title("商务用户", "0086-10-5555555"), kWait);
    QCOMPARE(session->OwnQuota(), 100 * 1048576);
    QVERIFY(!e2e->notices.contains(kLoginLost));
    QVERIFY(e2e->notices.contains(u"充值成功! 帐号:0086-10-5555555 的空间已经升级."_qs));
}

void AccountEndToEndTest::usedCardAndWrongCardNumberAreRefused() {
    QCOMPARE(Recharge("0086-10-1234567", u"200000001"_qs, u"2222"_qs, 1),
             u"充值成功! 帐号:0086-10-1234567 的空间已经升级."_qs);
    QCOMPARE(Recharge("0086-10-7654321", u"200000001"_qs, u"2222"_qs, 1),
             u"该充值卡已经使用过!"_qs);
    QCOMPARE(Recharge("0086-10-7654321", u"999999999"_qs, u"2222"_qs, 1),
             u"充值卡号或密码错误!"_qs);
    LogIn("0086-10-7654321", "li123");
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), Title("免费用户", "0086-10-7654321"), kWait);
}

void AccountEndToEndTest::paidAccountHasItsTypeLockedAndAnUnknownNumberIsTold() {
    QVERIFY(Recharge("0086-10-1234567", u"300000001"_qs, u"3333"_qs, 2).startsWith(u"充值成功"_qs));
    int lockedOn = -1;
    bool enabled = true;
    QString unknown;
    OnNextRecharge([&](RechargeDialog* dialog) {
        dialog->findChild<QLineEdit*>(u"firstBox"_qs)->setText(u"0086-10-1234567"_qs);
        dialog->findChild<QLineEdit*>(u"secondBox"_qs)->setText(u"0086-10-1234567"_qs);
        dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
        (void)QTest::qWaitFor([dialog] { return dialog->Controller().CurrentStep() == 2; }, kWait);
        auto* types = dialog->findChild<QComboBox*>(u"cardTypes"_qs);
        lockedOn = types->currentIndex();
        enabled = types->isEnabled();
        dialog->reject();
    });
    OpenLoginDialog()->findChild<QPushButton*>(u"rechargeButton"_qs)->click();
    QCOMPARE(lockedOn, 2);
    QVERIFY(!enabled);
    OnNextRecharge([&](RechargeDialog* dialog) {
        dialog->findChild<QLineEdit*>(u"firstBox"_qs)->setText(u"0086-10-9999999"_qs);
        dialog->findChild<QLineEdit*>(u"secondBox"_qs)->setText(u"0086-10-9999999"_qs);
        dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
        auto* status = dialog->findChild<QLabel*>(u"statusLine"_qs);
        (void)QTest::qWaitFor([status] { return status->text().startsWith(u"无此用户"_qs); },
                              kWait);
        unknown = status->text();
        dialog->reject();
    });
    OpenLoginDialog()->findChild<QPushButton*>(u"rechargeButton"_qs)->click();
    QCOMPARE(unknown, u"无此用户，无法进行充值!"_qs);
}

void AccountEndToEndTest::silentServerLeavesBothUsable() {
    SilentServer silent;
    QVERIFY(silent.Port() != 0);
    QVERIFY(e2e->PointAllAt(silent.Port()));
    // The dialogs alone on the library, with short waits instead of the real 30 s.
    client.reset();
    ClientParts& parts = e2e->StartClient();
    RechargeLine line(parts.session, parts.connections, e2e->ServerBoxGate(), parts.login,
                      QtTimers(&parts.session));
    RechargeDialog dialog(parts.session, line, boxes, e2e->Resolver(), "0086-10-1234567",
                          {{}, 200});
    dialog.show();
    auto* action = dialog.findChild<QPushButton*>(u"actionButton"_qs);
    action->click();
    QVERIFY(!action->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(action->isEnabled(), kWait);
    QCOMPARE(dialog.findChild<QLabel*>(u"statusLine"_qs)->text(),
             u"服务器没有应答，现在不能充值!"_qs);
    dialog.reject();

    AccountDialogs accounts(parts.session, parts.connections, parts.login, boxes,
                            e2e->ServerBoxGate(), e2e->Resolver(), {}, 200);
    connect(&accounts, &AccountDialogs::wizardOpened, this, [](RegistrationWizard* wizard) {
        QTimer::singleShot(0, wizard, [wizard] {
            for (const auto& [name, text] : {std::pair{"countryCode", "0086"},
                                             {"areaCode", "10"},
                                             {"number", "2345678"},
                                             {"name", "Zhao"},
                                             {"publicKey", "0086-10-2345678"},
                                             {"privateKey", kNewKey},
                                             {"confirmation", kNewKey}})
                wizard->findChild<QLineEdit*>(QString::fromLatin1(name))
                    ->setText(QString::fromLatin1(text));
            wizard->next();
            wizard->next();
            wizard->button(QWizard::FinishButton)->click();
        });
    });
    accounts.Register(nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(e2e->notices.size(), 1, kWait);
    QVERIFY(e2e->notices[0].startsWith(u"注册服务器没有应答"_qs));
}

}  // namespace tessan

QTEST_MAIN(tessan::AccountEndToEndTest)
#include "account_endtoend_test.moc"
