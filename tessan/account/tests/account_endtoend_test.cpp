// Registration and recharge against a real development server: the real library, real sockets, a
// real tessd on an ephemeral loopback port, the real wizard, recharge dialog and login dialog on
// the offscreen platform.
#include "account/recharge/rechargedialog.h"
#include "account/registration/registrar.h"
#include "account/registration/registrationwizard.h"
#include "core/library/notificationhub.h"
#include "core/library/tessnetlibrary.h"
#include "core/login/logindialog.h"
#include "core/session/clientsession.h"
#include "testsupport/scriptedmessageboxes.h"
#include "testsupport/tessdprocess.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessan {

namespace {

constexpr int kWait = 10000;
constexpr char kNewNumber[] = "0086-10-2345678";

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

}  // namespace

class AccountEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void registerThroughTheWizardAndLogInFromTheList();
    void registeringATakenNumberIsRefused();
    void rechargeShowsTheNewTypeAtTheNextLogin();
    void usedCardAndWrongCardNumberAreRefused();
    void paidAccountRenewsWithItsOwnTypeOnly();
    void silentServerLeavesBothUsable();

  private:
    // serverlist.ini sends every number to `port` on the loopback.
    void PointAt(int port);
    void Register(const QString& number, const QString& privateKey);
    // Recharges `number` with a card, choosing `cardType` (0 to 2) when the list is open; returns
    // the server's notice.
    QString Recharge(const char* number, const QString& card, const QString& password,
                     int cardType = 0);
    // Logs in with the key and returns the user type of the own profile that follows.
    char LogInForUserType(const char* number, const char* privateKey);
    std::unique_ptr<RechargeDialog> OpenRecharge(const char* number, int timeoutMs);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TessdProcess> server;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<TessnetLibrary> library;
    std::unique_ptr<ClientSession> session;
    std::unique_ptr<Registrar> registrar;
    QStringList notices;
    QPointer<RechargeDialog> recharge;
    QPointer<LoginDialog> login;
    std::map<QByteArray, int> loginStatus;  // -1 while waiting
    std::map<QByteArray, char> userType;    // from each account's own profile
};

void AccountEndToEndTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    server = std::make_unique<TessdProcess>();
    QVERIFY(server->Start(QStringLiteral(TESSD_PROGRAM), dir->filePath(u"server"_qs)));
    PointAt(server->Port());
    boxes.Reset();
    notices.clear();
    loginStatus.clear();
    userType.clear();
    library = std::make_unique<TessnetLibrary>(boxes);
    session = std::make_unique<ClientSession>(dir->path(), *library, boxes);
    const auto notice = [this](const QString& text, bool) { notices << text; };
    registrar =
        std::make_unique<Registrar>(*library, boxes, dir->path(), notice, QtTimers(library.get()));
    // The routing of the types these pages handle, as the client routes them.
    library->Init(dir->filePath(u"download"_qs), [this](const Notification& n) {
        const Reply* r = n.reply();
        if (!r) return;
        switch (n.type) {
            case note::kLogin:
                loginStatus[r->account] = r->status;
                session->Notifications().Dispatch(n);  // an open login dialog hears its own
                break;
            case note::kRegister:
                registrar->OnResult(*r);
                break;
            case note::kCardAnswer:
                if (recharge) recharge->OnCardAnswer(*r);
                break;
            case note::kNotice:
                notices << r->TextAt(1);
                break;
            case note::kOwnProfile:
                userType[r->account] = r->data.at(UserProfile::kUserTypeOffset);
                break;
        }
    });
}

void AccountEndToEndTest::cleanup() {
    if (library) {
        for (const auto& [account, status] : loginStatus) library->DisconnectServer(account);
        library->Free();
    }
    delete login;
    delete recharge;
    registrar.reset();
    session.reset();
    library.reset();
    server.reset();
}

void AccountEndToEndTest::PointAt(int port) {
    QFile list(dir->filePath(u"serverlist.ini"_qs));
    QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    list.write("[default]\nserver=127.0.0.1\nport=" + QByteArray::number(port) + "\n");
}

void AccountEndToEndTest::Register(const QString& number, const QString& privateKey) {
    RegistrationWizard wizard(*registrar, boxes);
    wizard.Prepare();
    wizard.show();
    const QStringList parts = number.split(u'-');
    const auto type = [&wizard](const char* name, const QString& text) {
        wizard.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
    };
    type("countryCode", parts[0]);
    type("areaCode", parts[1]);
    type("number", parts[2]);
    type("name", u"赵六"_qs);
    type("publicKey", number);
    type("privateKey", privateKey);
    type("confirmation", privateKey);
    wizard.next();
    type("mobile", u"13900000000"_qs);
    wizard.next();
    type("company", u"测试单位"_qs);
    QCOMPARE(wizard.currentId(), int(RegistrationWizard::kStep3));
    wizard.button(QWizard::FinishButton)->click();
    QVERIFY(!wizard.isVisible());
}

std::unique_ptr<RechargeDialog> AccountEndToEndTest::OpenRecharge(const char* number,
                                                                  int timeoutMs) {
    auto dialog = std::make_unique<RechargeDialog>(
        RechargeDialog::Services{
            *library,
            [](const QByteArray& address, int port, const QByteArray& account) {
                return ::ConnectServer(address.constData(), port, account.constData(), nullptr);
            },
            boxes,
            dir->path(),
            [this](const QString& text, bool) { notices << text; },
            {},
            timeoutMs},
        number);
    recharge = dialog.get();
    dialog->show();
    return dialog;
}

QString AccountEndToEndTest::Recharge(const char* number, const QString& card,
                                      const QString& password, int cardType) {
    notices.clear();
    auto dialog = OpenRecharge(number, RechargeController::kAnswerTimeoutMs);
    auto* action = dialog->findChild<QPushButton*>(u"actionButton"_qs);
    auto* types = dialog->findChild<QComboBox*>(u"cardTypes"_qs);
    action->click();
    if (!QTest::qWaitFor([&] { return dialog->Controller().CurrentStep() != 0; }, kWait))
        return u"no answer"_qs;
    if (types->isEnabled()) types->setCurrentIndex(cardType);
    dialog->findChild<QLineEdit*>(u"firstBox"_qs)->setText(card);
    dialog->findChild<QLineEdit*>(u"secondBox"_qs)->setText(password);
    action->click();
    if (dialog->result() != QDialog::Accepted) return u"not sent"_qs;
    if (!QTest::qWaitFor([this] { return !notices.isEmpty(); }, kWait)) return u"no result"_qs;
    library->DisconnectServer(number);  // the connection was left open for the result
    return notices.first();
}

char AccountEndToEndTest::LogInForUserType(const char* number, const char* privateKey) {
    library->DisconnectServer(number);
    userType.erase(number);
    loginStatus[number] = -1;
    if (library->ConnectServer("127.0.0.1", server->Port(), number, privateKey) != 1) return 'x';
    if (!QTest::qWaitFor([&] { return userType.count(number) != 0; }, kWait)) return 'x';
    return userType[number];
}

void AccountEndToEndTest::registerThroughTheWizardAndLogInFromTheList() {
    Register(QString::fromLatin1(kNewNumber), u"Zhao6"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, kWait);
    QCOMPARE(notices[0],
             u"新用户:0086-10-2345678注册成功!\r\n私钥:******,公钥:0086-10-2345678!"_qs);
    QVERIFY(boxes.Shown().empty());
    // The key is in remember.ini only, readable by the user alone.
    QFile remembered(dir->filePath(u"remember.ini"_qs));
    QVERIFY(remembered.exists());
    QCOMPARE(remembered.permissions() & (QFile::ReadGroup | QFile::ReadOther),
             QFile::Permissions());

    // The login dialog lists the new account, key filled in: one press logs in.
    login = new LoginDialog(*session, [](const QString&) { return true; });
    login->show();
    QCOMPARE(login->findChild<QComboBox*>(u"numberBox"_qs)->currentText(),
             QString::fromLatin1(kNewNumber));
    auto* key = login->findChild<QLineEdit*>(u"keyBox"_qs);
    QCOMPARE(key->echoMode(), QLineEdit::Password);
    QVERIFY(!key->text().isEmpty());
    login->findChild<QPushButton*>(u"loginButton"_qs)->click();
    QTRY_COMPARE_WITH_TIMEOUT(loginStatus[kNewNumber], 1, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!login->isVisible(), kWait);
    QCOMPARE(login->result(), int(QDialog::Accepted));
    QTRY_COMPARE_WITH_TIMEOUT(userType[kNewNumber], '0', kWait);
}

void AccountEndToEndTest::registeringATakenNumberIsRefused() {
    Register(u"0086-10-1234567"_qs, u"other"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(notices, QStringList{u"该Tessan号码已经被注册!"_qs}, kWait);
    QVERIFY(!QFile::exists(dir->filePath(u"remember.ini"_qs)));
}

void AccountEndToEndTest::rechargeShowsTheNewTypeAtTheNextLogin() {
    QCOMPARE(LogInForUserType("0086-10-5555555", "wang123"), '0');
    QCOMPARE(Recharge("0086-10-5555555", u"100000001"_qs, u"1111"_qs, 0),
             u"充值成功! 帐号:0086-10-5555555 的空间已经升级."_qs);
    QCOMPARE(LogInForUserType("0086-10-5555555", "wang123"), '1');
}

void AccountEndToEndTest::usedCardAndWrongCardNumberAreRefused() {
    QCOMPARE(Recharge("0086-10-1234567", u"200000001"_qs, u"2222"_qs, 1),
             u"充值成功! 帐号:0086-10-1234567 的空间已经升级."_qs);
    QCOMPARE(Recharge("0086-10-7654321", u"200000001"_qs, u"2222"_qs, 1),
             u"该充值卡已经使用过!"_qs);
    QCOMPARE(Recharge("0086-10-7654321", u"999999999"_qs, u"2222"_qs, 1),
             u"充值卡号或密码错误!"_qs);
    QCOMPARE(LogInForUserType("0086-10-7654321", "li123"), '0');
}

void AccountEndToEndTest::paidAccountRenewsWithItsOwnTypeOnly() {
    QVERIFY(Recharge("0086-10-1234567", u"300000001"_qs, u"3333"_qs, 2).startsWith(u"充值成功"_qs));
    // Now the server fixes the type: the list is locked on the third entry.
    auto dialog = OpenRecharge("0086-10-1234567", RechargeController::kAnswerTimeoutMs);
    dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog->Controller().CurrentStep(), 2, kWait);
    auto* types = dialog->findChild<QComboBox*>(u"cardTypes"_qs);
    QCOMPARE(types->currentIndex(), 2);
    QVERIFY(!types->isEnabled());
    dialog->reject();
    // An unknown number is told in the status line, and the dialog starts again.
    dialog = OpenRecharge("0086-10-9999999", RechargeController::kAnswerTimeoutMs);
    dialog->findChild<QPushButton*>(u"actionButton"_qs)->click();
    auto* status = dialog->findChild<QLabel*>(u"statusLine"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), u"无此用户，无法进行充值!"_qs, kWait);
    QCOMPARE(dialog->Controller().CurrentStep(), 0);
    dialog->reject();
}

void AccountEndToEndTest::silentServerLeavesBothUsable() {
    SilentServer silent;
    QVERIFY(silent.Port() != 0);
    PointAt(silent.Port());
    auto dialog = OpenRecharge("0086-10-1234567", 200);
    auto* action = dialog->findChild<QPushButton*>(u"actionButton"_qs);
    action->click();
    QVERIFY(!action->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(action->isEnabled(), kWait);
    QCOMPARE(dialog->findChild<QLabel*>(u"statusLine"_qs)->text(),
             u"服务器没有应答，现在不能充值!"_qs);
    dialog->reject();

    registrar = std::make_unique<Registrar>(
        *library, boxes, dir->path(), [this](const QString& text, bool) { notices << text; },
        QtTimers(library.get()), 200);
    Register(QString::fromLatin1(kNewNumber), u"Zhao6"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, kWait);
    QVERIFY(notices[0].startsWith(u"注册服务器没有应答"_qs));
}

}  // namespace tessan

QTEST_MAIN(tessan::AccountEndToEndTest)
#include "account_endtoend_test.moc"
