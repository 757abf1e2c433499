#include "core/login/logincontroller.h"
#include "core/base/gbk.h"
#include "testsupport/clientparts.h"
#include "testsupport/faketimer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

class FakeLoginView final : public LoginView {
  public:
    void ShowRemembered(const RememberedLogins& logins) override {
        numbers.clear();
        for (int i = 0; i < logins.Count(); ++i)
            numbers << QString::fromLatin1(logins.Record(i).Number());
        const int last = logins.LastUsedIndex();
        number = numbers.value(last);
        key = last < 0 ? QString() : QString::fromLatin1(logins.Record(last).PrivateKey());
    }
    QString NumberText() const override { return number; }
    QString KeyText() const override { return key; }
    bool RememberKeyChecked() const override { return remember; }
    void SetLoginEnabled(bool e) override { loginEnabled = e; }
    void SetConnecting(bool c) override {
        // "登录" is disabled before the attempt starts and the busy state ends with it.
        if (c && loginEnabled) connectingWhileEnabled = true;
        connecting = c;
        connectingChanges.append(c);
    }
    void FocusNumber() override { focus = u"number"_qs; }
    void FocusKey() override { focus = u"key"_qs; }
    void Accept() override { accepted = true; }
    void CloseAllForUpgrade() override { closedForUpgrade = true; }

    QStringList numbers;
    QString number, key, focus;
    bool remember = false;
    bool loginEnabled = true;
    bool accepted = false;
    bool closedForUpgrade = false;
    bool connecting = false;
    bool connectingWhileEnabled = false;
    QList<bool> connectingChanges;
};

class LoginControllerTest : public ::testing::Test, protected FakeClient {
  protected:
    Reply Verdict(std::uint8_t status, const QString& text) {
        return *MakeReply(1, status, session.CurrentAccount().Bytes(), QStringToGbk(text)).reply();
    }

    void WriteServerList(const QByteArray& text) {
        QFile list(dir.filePath(u"serverlist.ini"_qs));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(text);
    }

    FakeLoginView view;
    QStringList started;
    bool updaterStarts = true;
    FakeTimers timers;
    LoginController controller{session,
                               login,
                               boxes,
                               resolver,
                               view,
                               [this](const QString& path) {
                                   started.append(path);
                                   return updaterStarts;
                               },
                               timers.Factory()};
};

TEST_F(LoginControllerTest, AcceptedLoginConnectsToTheResolvedServerAndRemembersIt) {
    QFile list(dir.filePath(u"serverlist.ini"_qs));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[0086-10]\nserver=10.1.2.3\nport=9100\n");
    list.close();
    view.number = u"0086-10-1234567"_qs;
    view.key = u"zhang123"_qs;
    view.remember = true;
    controller.Login();
    EXPECT_EQ(library.calls,
              QStringList{u"ConnectServer 10.1.2.3 9100 0086-10-1234567 zhang123"_qs});
    EXPECT_FALSE(view.loginEnabled);
    EXPECT_EQ(session.CurrentPrivateKey().Bytes(), "zhang123");

    controller.OnLoginReply(Verdict(1, u"欢迎"_qs));
    EXPECT_TRUE(view.loginEnabled);
    EXPECT_TRUE(view.accepted);
    EXPECT_TRUE(boxes.Shown().empty());
    controller.SetUp();
    EXPECT_EQ(view.numbers, QStringList{u"0086-10-1234567"_qs});
    EXPECT_EQ(view.key, u"zhang123"_qs);
}

TEST_F(LoginControllerTest, InputErrorsAfterALoginCloseTheOldConnectionFirst) {
    LogIn("0086-10-1");
    view.number = u"0086-10-2"_qs;
    controller.Login();  // empty key
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer 0086-10-1"_qs});
    EXPECT_EQ(boxes.Texts(), QStringList{u"请输入私钥!"_qs});
    EXPECT_EQ(view.focus, u"key"_qs);
    EXPECT_EQ(session.CurrentAccount().Bytes(), "0086-10-2");  // the last attempt stays

    view.number.clear();
    controller.Login();
    EXPECT_EQ(boxes.Texts().last(), u"请输入登录Tessan号码!"_qs);
    EXPECT_EQ(view.focus, u"number"_qs);

    view.number = u"0086-101"_qs;
    view.key = u"k"_qs;
    controller.Login();
    EXPECT_EQ(boxes.Texts().last(), u"无效格式的Tessan号码!参考格式:0086-512-1234567!"_qs);
    EXPECT_TRUE(view.loginEnabled);

    // Thirty characters are taken.
    view.number = u"0086-10-"_qs + QString(40, u'9');
    library.Script(u"ConnectServer"_qs, {0});
    controller.Login();
    EXPECT_EQ(session.CurrentAccount().Text().size(), 30);
    EXPECT_EQ(boxes.Texts().last(), u"不能连接到服务器IP:127.0.0.1,端口:8800!0"_qs);
    EXPECT_TRUE(view.loginEnabled);
}

TEST_F(LoginControllerTest, RefusalsAreShownAndTheDialogStaysOpen) {
    session.SetCurrentLogin(u"0086-10-1"_qs, {});
    controller.OnLoginReply(Verdict(0, u"私钥错误"_qs));
    EXPECT_EQ(boxes.Texts(), QStringList{u"私钥错误"_qs});
    EXPECT_FALSE(view.accepted);
    controller.OnLoginReply(Verdict(7, u"?"_qs));
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(view.loginEnabled);
}

TEST_F(LoginControllerTest, UpgradeQuestionStartsTheUpdaterOnlyOnYes) {
    session.SetCurrentLogin(u"0086-10-1"_qs, {});
    boxes.Script({MessageBoxes::Answer::No});
    view.loginEnabled = false;
    controller.OnLoginReply(Verdict(0, u"-1025"_qs));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"\r\n\tTessan系统现在将进行升级!"_qs);
    EXPECT_EQ(boxes.Shown()[0].caption, u"升级版本"_qs);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(boxes.Shown()[0].icon, MessageBoxes::Icon::Question);
    EXPECT_TRUE(view.loginEnabled);
    EXPECT_FALSE(view.closedForUpgrade);
    EXPECT_TRUE(started.isEmpty());

    boxes.Script({MessageBoxes::Answer::Yes});
    controller.OnLoginReply(Verdict(0, u"版本过旧-1025请升级到1.40-1025"_qs));
    EXPECT_EQ(boxes.Shown()[1].text, u"请升级到1.40-1025\r\n\tTessan系统现在将进行升级!"_qs);
    EXPECT_TRUE(view.closedForUpgrade);
    EXPECT_EQ(started, QStringList{dir.path() + u"/Renovator"_qs});
}

TEST_F(LoginControllerTest, WithoutAWorkingUpdaterTheClientSaysSoAndStaysOpen) {
    session.SetCurrentLogin(u"0086-10-1"_qs, {});
    // An installed copy: no question, the server's text and how to upgrade instead.
    session.SetUpdater({});
    controller.OnLoginReply(Verdict(0, u"版本过旧-1025请升级到1.40"_qs));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].buttons, MessageBoxes::Buttons::Ok);
    EXPECT_EQ(boxes.Shown()[0].text, u"请升级到1.40\r\n"_qs + LoginController::kNoUpdaterText);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(view.closedForUpgrade);

    // An updater that cannot be started: nothing closes.
    session.SetUpdater(u"/nowhere/Renovator"_qs);
    updaterStarts = false;
    boxes.Script({MessageBoxes::Answer::Yes});
    controller.OnLoginReply(Verdict(0, u"-1025"_qs));
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[2].text,
              LoginController::kUpdaterMissingText.arg(u"/nowhere/Renovator"_qs));
    EXPECT_EQ(started, QStringList{u"/nowhere/Renovator"_qs});
    EXPECT_FALSE(view.closedForUpgrade);
    EXPECT_TRUE(view.loginEnabled);
}

TEST_F(LoginControllerTest, AHostNameIsLookedUpWithoutWaitingAndThenConnected) {
    WriteServerList("[0086-10]\nserver=files.example.com\nport=9100\n");
    view.number = u"0086-10-1234567"_qs;
    view.key = u"zhang123"_qs;
    controller.Login();
    // Returned at once: busy, "登录" disabled, nothing connected yet.
    EXPECT_TRUE(controller.LookingUp());
    EXPECT_TRUE(view.connecting);
    EXPECT_FALSE(view.loginEnabled);
    EXPECT_FALSE(view.connectingWhileEnabled);
    EXPECT_TRUE(library.calls.isEmpty());
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, "files.example.com");

    resolver.Answer(0, "10.0.0.9");
    EXPECT_EQ(library.calls.last(), u"ConnectServer 10.0.0.9 9100 0086-10-1234567 zhang123"_qs);
    EXPECT_FALSE(view.connecting);
    EXPECT_EQ(view.connectingChanges, (QList<bool>{true, false}));
    EXPECT_FALSE(view.loginEnabled);
    EXPECT_TRUE(timers.made.at(0)->active);  // now the verdict is awaited
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(LoginControllerTest, ANameThatIsNotFoundIsToldAndLoginCanBePressedAgain) {
    WriteServerList("[0086-10]\nserver=nonexistent.invalid\n");
    view.number = u"0086-10-1234567"_qs;
    view.key = u"zhang123"_qs;
    controller.Login();
    resolver.Answer(0, {}, u"Host not found"_qs);
    EXPECT_EQ(
        boxes.Texts(),
        QStringList{
            u"找不到服务器nonexistent.invalid(Host not found)，请检查serverlist.ini和网络连接!"_qs});
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_FALSE(view.connecting);
    EXPECT_TRUE(view.loginEnabled);
    EXPECT_FALSE(timers.made.at(0)->active);
}

TEST_F(LoginControllerTest, AClosedDialogOrASecondAttemptIgnoresTheEarlierAnswer) {
    WriteServerList("[0086-10]\nserver=files.example.com\n[0086-20]\nserver=10.2.0.1\n");
    view.number = u"0086-10-1234567"_qs;
    view.key = u"zhang123"_qs;
    controller.Login();
    // The dialog closes while the name is looked up.
    controller.Cancel();
    EXPECT_FALSE(controller.LookingUp());
    EXPECT_FALSE(view.connecting);
    EXPECT_TRUE(view.loginEnabled);
    resolver.Answer(0, "10.0.0.9");
    EXPECT_TRUE(library.calls.isEmpty());

    // A new attempt to another account while the first one's name is still looked up.
    controller.Login();
    view.number = u"0086-20-7654321"_qs;
    controller.Login();
    resolver.Answer(1, "10.0.0.9");
    EXPECT_EQ(library.calls,
              QStringList{u"ConnectServer 10.2.0.1 8800 0086-20-7654321 zhang123"_qs});
    // Every busy cursor was given back.
    EXPECT_EQ(view.connectingChanges.count(true), view.connectingChanges.count(false));
}

TEST_F(LoginControllerTest, AServerThatNeverAnswersTheLoginIsGivenUpAfterThirtySeconds) {
    view.number = u"0086-10-1"_qs;
    view.key = u"k"_qs;
    controller.Login();
    EXPECT_EQ(view.connectingChanges, (QList<bool>{true, false}));
    EXPECT_FALSE(view.connectingWhileEnabled);
    ASSERT_EQ(timers.made.size(), 1u);
    FakeTimer& verdict = *timers.made[0];
    EXPECT_TRUE(verdict.active);
    EXPECT_EQ(verdict.interval, LoginController::kVerdictTimeoutMs);
    EXPECT_FALSE(view.loginEnabled);

    library.calls.clear();
    verdict.Fire();
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer 0086-10-1"_qs});
    EXPECT_TRUE(view.loginEnabled);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_FALSE(verdict.active);

    // A verdict in time, or the connection failing later, ends the wait.
    controller.Login();
    EXPECT_TRUE(verdict.active);
    controller.OnLoginReply(Verdict(0, u"私钥错误"_qs));
    EXPECT_FALSE(verdict.active);
    controller.Login();
    controller.OnConnectFailed();
    EXPECT_FALSE(verdict.active);
    EXPECT_TRUE(view.loginEnabled);
    EXPECT_EQ(boxes.Texts().last(), u"不能连接到服务器IP:127.0.0.1,端口:8800!0"_qs);

    // A failed connection starts no wait.
    library.Script(u"ConnectServer"_qs, {0});
    controller.Login();
    EXPECT_FALSE(verdict.active);
    EXPECT_TRUE(view.loginEnabled);
}

}  // namespace
}  // namespace tessan
