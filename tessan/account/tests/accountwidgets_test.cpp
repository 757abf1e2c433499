// The registration wizard and the recharge dialog on the offscreen platform, with the fake
// library, scripted message boxes and fake timers.
#include "account/accountdialogs.h"
#include "account/recharge/rechargedialog.h"
#include "account/registration/registrar.h"
#include "account/registration/registrationwizard.h"
#include "core/login/logindialog.h"
#include "testsupport/clientparts.h"
#include "testsupport/faketimer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace tessan {

class AccountWidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void numberTypedStraightThroughFillsThreeBoxesAndTheKey();
    void aKeyTypedAfterTheNumberStaysUntilTheNumberIsLeftAgain();
    void pageOneRefusesWithTheCheckMessageAndFocus();
    void finishSendsTheProfileAndTheValuesStayForNextTime();
    void helpFollowsTheFocus();
    void chineseTextIsCutToWhatTheFieldHolds();
    void rechargeWalksFromNumberToLockedCardType();
    void rechargeUserChoiceShowsThePeriodAndCancelDrops();
    void loginDialogOpensBothAndListsTheNewAccount();

  private:
    // Types as a user would: each key goes to whatever has the focus at that moment.
    static void Type(const QString& text) {
        for (const QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }
    // Chinese goes in as an input method commits it, one character after another.
    static void Commit(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            QInputMethodEvent event;
            event.setCommitString(QString(c));
            QApplication::sendEvent(widget, &event);
        }
    }
    QLineEdit* Box(QWidget& w, const char* name) {
        return w.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    void StartWizard();
    // The dialog for 0086-10-1234567.
    std::unique_ptr<RechargeDialog> OpenRecharge() {
        return std::make_unique<RechargeDialog>(client->session, *line, client->boxes,
                                                client->resolver, "0086-10-1234567",
                                                RechargeDialog::Timing{timers.Factory()});
    }
    void TypePageOne();

    std::unique_ptr<FakeClient> client;
    FakeTimers timers;
    QStringList notices;
    std::unique_ptr<RechargeLine> line;
    std::unique_ptr<Registrar> registrar;
    std::unique_ptr<RegistrationWizard> wizard;
};

void AccountWidgetsTest::init() {
    notices.clear();
    wizard.reset();
    registrar.reset();
    line.reset();
    client = std::make_unique<FakeClient>();
    line = std::make_unique<RechargeLine>(client->session, client->connections, client->serverBoxes,
                                          client->login, timers.Factory());
    registrar = std::make_unique<Registrar>(
        client->connections, client->boxes, client->resolver, client->dir.path(),
        [this](const QString& text, bool error) { notices.append(error ? text + u'!' : text); },
        timers.Factory());
}

void AccountWidgetsTest::StartWizard() {
    wizard = std::make_unique<RegistrationWizard>(*registrar, client->boxes);
    wizard->Prepare();
    wizard->show();
    QVERIFY(QTest::qWaitForWindowActive(wizard.get()));
}

void AccountWidgetsTest::TypePageOne() {
    Box(*wizard, "countryCode")->setFocus();
    QTRY_VERIFY(Box(*wizard, "countryCode")->hasFocus());
    Type(u"0086-10-1234567"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), u"Zhang"_qs);
    Box(*wizard, "privateKey")->setFocus();
    QTest::keyClicks(Box(*wizard, "privateKey"), u"Secret"_qs);
    QTest::keyClicks(Box(*wizard, "confirmation"), u"Secret"_qs);
}

void AccountWidgetsTest::numberTypedStraightThroughFillsThreeBoxesAndTheKey() {
    StartWizard();
    Box(*wizard, "countryCode")->setFocus();
    QTRY_VERIFY(Box(*wizard, "countryCode")->hasFocus());
    Type(u"0086-"_qs);
    QCOMPARE(Box(*wizard, "countryCode")->text(), u"0086"_qs);
    QVERIFY(Box(*wizard, "areaCode")->hasFocus());
    Type(u"1x0-1234567"_qs);
    QCOMPARE(Box(*wizard, "areaCode")->text(), u"10"_qs);
    QVERIFY(Box(*wizard, "number")->hasFocus());
    QCOMPARE(Box(*wizard, "number")->text(), u"1234567"_qs);
    // Leaving the area code proposed a key from what was there; leaving the number completes it.
    QCOMPARE(Box(*wizard, "publicKey")->text(), u"0086-10-"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(Box(*wizard, "publicKey")->text(), u"0086-10-1234567"_qs);
}

void AccountWidgetsTest::aKeyTypedAfterTheNumberStaysUntilTheNumberIsLeftAgain() {
    StartWizard();
    TypePageOne();
    QLineEdit* key = Box(*wizard, "publicKey");
    key->setFocus();
    key->selectAll();
    QTest::keyClicks(key, u"MyKey"_qs);
    Box(*wizard, "name")->setFocus();
    QCOMPARE(key->text(), u"MyKey"_qs);
    Box(*wizard, "number")->setFocus();
    Box(*wizard, "name")->setFocus();
    QCOMPARE(key->text(), u"0086-10-1234567"_qs);
}

void AccountWidgetsTest::pageOneRefusesWithTheCheckMessageAndFocus() {
    StartWizard();
    TypePageOne();
    Box(*wizard, "confirmation")->setText(u"secret"_qs);
    wizard->next();
    QCOMPARE(wizard->currentId(), int(RegistrationWizard::kStep1));
    QCOMPARE(client->boxes.Texts(), QStringList{u"两次输入的私钥不相同!"_qs});
    QVERIFY(Box(*wizard, "privateKey")->hasFocus());
    QCOMPARE(Box(*wizard, "privateKey")->echoMode(), QLineEdit::Password);
    QCOMPARE(Box(*wizard, "confirmation")->echoMode(), QLineEdit::Password);
    // The phone client->boxes on page 2 drop a trailing letter.
    Box(*wizard, "confirmation")->setText(u"Secret"_qs);
    wizard->next();
    QCOMPARE(wizard->currentId(), int(RegistrationWizard::kStep2));
    QLineEdit* phone = Box(*wizard, "phone");
    phone->setFocus();
    QTest::keyClicks(phone, u"010-8a"_qs);
    QCOMPARE(phone->text(), u"010-8"_qs);
    QCOMPARE(phone->cursorPosition(), 5);
    QVERIFY(Box(*wizard, "userType")->isReadOnly());
    QCOMPARE(Box(*wizard, "userType")->text(), u"免费用户  [5M]"_qs);
}

void AccountWidgetsTest::finishSendsTheProfileAndTheValuesStayForNextTime() {
    StartWizard();
    TypePageOne();
    wizard->next();
    Box(*wizard, "mobile")->setText(u"13900000000"_qs);
    wizard->next();
    QCOMPARE(wizard->currentId(), int(RegistrationWizard::kStep3));
    Box(*wizard, "postCode")->setText(u"100000"_qs);
    Box(*wizard, "company")->setText(u"测试单位"_qs);
    QVERIFY(client->boxes.Texts().isEmpty());
    wizard->button(QWizard::FinishButton)->click();
    QCOMPARE(wizard->result(), int(QDialog::Accepted));
    QCOMPARE(client->library.calls, QStringList{u"RegisterUser 127.0.0.1 8800 0086-10-1234567"_qs});
    const UserProfile& sent = registrar->Profile();
    QCOMPARE(sent.Name(), u"Zhang"_qs);
    QCOMPARE(sent.Text(UserProfile::Field::PrivateKey), u"Secret"_qs);
    QCOMPARE(sent.Text(UserProfile::Field::Mobile), u"13900000000"_qs);
    QCOMPARE(sent.Text(UserProfile::Field::PostCode), u"100000"_qs);
    QCOMPARE(sent.Text(UserProfile::Field::Company), u"测试单位"_qs);
    QCOMPARE(sent.UserType(), '0');
    QVERIFY(registrar->AwaitingResult());
    // What went out is what the verdict is about: the last page's fields too.
    QString registeredCompany;
    connect(registrar.get(), &Registrar::accountRegistered, this,
            [&](const UserProfile& p) { registeredCompany = p.Text(UserProfile::Field::Company); });
    client->library.Deliver(MakeReply(note::kRegister, 1, "", "ok"));
    QCOMPARE(registeredCompany, u"测试单位"_qs);

    // Opening again: first page, the typed values, an empty profile.
    wizard->Prepare();
    QCOMPARE(wizard->currentId(), int(RegistrationWizard::kStep1));
    QCOMPARE(Box(*wizard, "number")->text(), u"1234567"_qs);
    QCOMPARE(Box(*wizard, "mobile")->text(), u"13900000000"_qs);
    QVERIFY(registrar->Profile().Number().isEmpty());
}

void AccountWidgetsTest::helpFollowsTheFocus() {
    StartWizard();
    auto* help = wizard->currentPage()->findChild<QLabel*>(u"help"_qs);
    Box(*wizard, "name")->setFocus();
    QTRY_VERIFY(help->text().startsWith(u" 用户的姓名"_qs));
    QVERIFY(!help->text().contains(u'\r'));
    Box(*wizard, "countryCode")->setFocus();
    QTRY_VERIFY(help->text().startsWith(u" 国家代号是"_qs));
}

void AccountWidgetsTest::chineseTextIsCutToWhatTheFieldHolds() {
    StartWizard();
    QLineEdit* name = Box(*wizard, "name");
    name->setFocus();
    // 30 characters are allowed, but the field holds 31 GBK bytes: 15 Chinese characters.
    Commit(name, QString(20, QChar(0x5F20)));  // 张
    QCOMPARE(name->text(), QString(15, QChar(0x5F20)));
    name->setText(u"ab"_qs);
    name->setCursorPosition(1);
    Commit(name, QString(16, QChar(0x674E)));  // 李 between a and b
    QCOMPARE(name->text(), u"a"_qs + QString(14, QChar(0x674E)) + u"b"_qs);
    QCOMPARE(name->cursorPosition(), 15);
}

void AccountWidgetsTest::rechargeWalksFromNumberToLockedCardType() {
    auto owned = OpenRecharge();
    RechargeDialog& dialog = *owned;
    dialog.show();
    auto* action = dialog.findChild<QPushButton*>(u"actionButton"_qs);
    auto* stack = dialog.findChild<QStackedWidget*>();
    auto* types = dialog.findChild<QComboBox*>(u"cardTypes"_qs);
    auto* status = dialog.findChild<QLabel*>(u"statusLine"_qs);
    QCOMPARE(action->text(), u"下一步"_qs);
    QCOMPARE(stack->currentWidget(), status);
    QCOMPARE(Box(dialog, "secondBox")->text(), u"0086-10-1234567"_qs);
    action->click();
    QVERIFY(!action->isEnabled());
    QCOMPARE(status->text(), u"已经连接到注册服务器，等待验证..."_qs);
    client->library.Deliver(MakeReply(note::kCardAnswer, '2', "0086-10-1234567", "2"));
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), u"确认"_qs);
    QVERIFY(stack->currentWidget() != status);
    QCOMPARE(types->currentIndex(), 1);
    QVERIFY(!types->isEnabled());
    QCOMPARE(dialog.findChild<QLabel*>(u"servicePeriod"_qs)->text(), QString());
    Box(dialog, "firstBox")->setText(u"200000001"_qs);
    Box(dialog, "secondBox")->setText(u"2222"_qs);
    client->library.calls.clear();
    action->click();
    QCOMPARE(client->library.calls.size(), 1);
    QVERIFY(client->library.calls[0].startsWith(u"SendData 0086-10-1234567 36 "_qs));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void AccountWidgetsTest::rechargeUserChoiceShowsThePeriodAndCancelDrops() {
    auto owned = OpenRecharge();
    RechargeDialog& dialog = *owned;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QPushButton*>(u"actionButton"_qs)->click();
    client->library.Deliver(MakeReply(note::kCardAnswer, '0', "0086-10-1234567", "0"));
    auto* types = dialog.findChild<QComboBox*>(u"cardTypes"_qs);
    QVERIFY(types->isEnabled());
    QCOMPARE(types->currentIndex(), -1);
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(types->currentIndex(), 0);
    QCOMPARE(dialog.findChild<QLabel*>(u"servicePeriod"_qs)->text(), u"服务12个月"_qs);
    client->library.calls.clear();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(client->library.calls, QStringList{u"DisconnectServer 0086-10-1234567"_qs});
}

void AccountWidgetsTest::loginDialogOpensBothAndListsTheNewAccount() {
    LoginDialog login(client->session, client->login, client->boxes, client->resolver,
                      [](const QString&) { return true; });
    AccountDialogs accounts(client->session, client->connections, client->login, client->boxes,
                            client->serverBoxes, client->resolver);
    accounts.Attach(login);
    login.show();
    // Each modal run is driven from inside its own loop.
    connect(&accounts, &AccountDialogs::wizardOpened, this, [this](RegistrationWizard* w) {
        QTimer::singleShot(0, w, [this, w] {
            if (Box(*w, "number")->text().isEmpty()) {
                for (const auto& [name, text] : {std::pair{"countryCode", "0086"},
                                                 {"areaCode", "10"},
                                                 {"number", "2345678"},
                                                 {"name", "Zhao"},
                                                 {"publicKey", "0086-10-2345678"},
                                                 {"privateKey", "k"},
                                                 {"confirmation", "k"}})
                    Box(*w, name)->setText(QString::fromLatin1(text));
            }
            w->next();
            w->next();
            w->button(QWizard::FinishButton)->click();
        });
    });
    login.findChild<QPushButton*>(u"registerButton"_qs)->click();
    QCOMPARE(client->library.calls.filter(u"RegisterUser"_qs),
             QStringList{u"RegisterUser 127.0.0.1 8800 0086-10-2345678"_qs});
    client->library.Deliver(MakeReply(note::kRegister, 1, "", "ok"));
    auto* numbers = login.findChild<QComboBox*>(u"numberBox"_qs);
    QCOMPARE(numbers->currentText(), u"0086-10-2345678"_qs);
    QCOMPARE(login.findChild<QLineEdit*>(u"keyBox"_qs)->text(), u"k"_qs);
    // The same wizard, with what was typed, the next time.
    RegistrationWizard* first = accounts.Wizard();
    login.findChild<QPushButton*>(u"registerButton"_qs)->click();
    QCOMPARE(accounts.Wizard(), first);
    QCOMPARE(client->library.calls.filter(u"RegisterUser"_qs).size(), 2);

    // "充值" opens for the current account; only the open dialog hears the answer.
    client->session.SetCurrentLogin(u"0086-10-1234567"_qs, u"x"_qs);
    client->library.calls.clear();
    connect(&accounts, &AccountDialogs::rechargeOpened, this, [this](RechargeDialog* d) {
        QTimer::singleShot(0, d, [this, d] {
            QCOMPARE(Box(*d, "firstBox")->text(), u"0086-10-1234567"_qs);
            d->findChild<QPushButton*>(u"actionButton"_qs)->click();
            client->library.Deliver(MakeReply(note::kCardAnswer, '7', "0086-10-1234567", "7"));
            QCOMPARE(d->findChild<QLabel*>(u"statusLine"_qs)->text(),
                     u"无此用户，无法进行充值!"_qs);
            d->reject();
        });
    });
    login.findChild<QPushButton*>(u"rechargeButton"_qs)->click();
    QVERIFY(!accounts.OpenRecharge());
    QCOMPARE(client->library.calls.last(), u"DisconnectServer 0086-10-1234567"_qs);
    // An answer after the dialog closed reaches no one.
    client->library.Deliver(MakeReply(note::kCardAnswer, '0', "0086-10-1234567", "0"));
    QVERIFY(client->boxes.Texts().isEmpty());
}

}  // namespace tessan

QTEST_MAIN(tessan::AccountWidgetsTest)
#include "accountwidgets_test.moc"
