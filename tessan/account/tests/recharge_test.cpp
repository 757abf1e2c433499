// The recharge dialog's rules and its line against a recording view, the fake library and a fake
// timer.
#include "account/recharge/rechargecontroller.h"
#include "account/recharge/rechargepackets.h"
#include "core/base/gbk.h"
#include "testsupport/clientparts.h"
#include "testsupport/faketimer.h"

#include <QFile>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using Focus = RechargeController::Focus;

class Recharge : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override {
        QFile list(dir.filePath(u"serverlist.ini"_qs));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write("[0086-10]\nserver=10.1.2.3\nport=9900\n");
        list.close();
        controller = std::make_unique<RechargeController>(
            line, boxes, resolver, dir.path(),
            [this](const QString& text, bool error) {
                notices.append((error ? u"!"_qs : u""_qs) + text);
            },
            timers.Factory(), 5000);
    }

    // Opens the dialog for `number` and presses "下一步" up to the query.
    void AskFor(const QByteArray& number) {
        controller->Open(number);
        controller->Act();
    }
    void Answer(char verdict, const QByteArray& account = "0086-10-1234567") {
        controller->OnCardAnswer(*MakeReply(note::kCardAnswer, static_cast<std::uint8_t>(verdict),
                                            account, QByteArray(1, verdict))
                                      .reply());
    }
    FakeTimer& AnswerTimer() { return *timers.made.at(0); }
    RechargeController::Form& form() { return controller->CurrentForm(); }

    FakeTimers lineTimers;  // the wait for a request's verdict
    RechargeLine line{session, connections, serverBoxes, login, lineTimers.Factory()};
    FakeTimers timers;
    QStringList notices;
    std::unique_ptr<RechargeController> controller;
};

TEST(RechargePackets, FieldsSitAtTheirOffsetsAndTheRestIsZero) {
    RechargeQuery query;
    query.SetNumber("0086-10-1234567");
    const QByteArray q = query.Payload();
    ASSERT_EQ(q.size(), 32);
    EXPECT_EQ(q, QByteArray("0086-10-1234567") + QByteArray(17, '\0'));

    RechargeRequest request;
    request.SetNumber("0086-10-1234567");
    request.SetCardType('2');
    request.SetCardNumber("200000001");
    request.SetCardPassword(QByteArray(31, 'p'));
    const QByteArray r = request.Payload();
    ASSERT_EQ(r.size(), 97);
    EXPECT_EQ(r.mid(0, 32), QByteArray("0086-10-1234567") + QByteArray(17, '\0'));
    EXPECT_EQ(r.at(32), '2');
    EXPECT_EQ(r.mid(33, 32), QByteArray("200000001") + QByteArray(23, '\0'));
    // A password at the field's limit keeps its terminator as the record's last byte.
    EXPECT_EQ(r.mid(65, 31), QByteArray(31, 'p'));
    EXPECT_EQ(r.at(96), '\0');
    EXPECT_FALSE(request.SetCardNumber(QByteArray(32, '1')));
}

TEST_F(Recharge, NumberChecksComeInOrderAndKeepStepZero) {
    controller->Open("");
    controller->Act();
    form().second = u"x"_qs;
    controller->Act();
    form().first = u"0086-10-1234567"_qs;
    form().second = QString();
    controller->Act();
    EXPECT_EQ(form().focus, Focus::Second);
    form().second = u"0086-10-7654321"_qs;
    controller->Act();
    form().first = form().second = u"0086"_qs;
    controller->Act();
    EXPECT_EQ(boxes.Texts(),
              (QStringList{u"请输入要充值的Tessan号码!"_qs, u"请输入要充值的Tessan号码!"_qs,
                           u"请确认输入要充值的Tessan号码!"_qs,
                           u"两次输入的Tessan号码不一致，请确认后再次输入!"_qs,
                           u"无效格式的Tessan号码!参考格式:0086-123-1234567!"_qs}));
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskNumber);
}

TEST_F(Recharge, TrailingSpacesDoNotMakeTheNumbersDiffer) {
    controller->Open("");
    form().first = u"0086-10-1234567  "_qs;
    form().second = u"0086-10-1234567"_qs;
    controller->Act();
    EXPECT_TRUE(boxes.Texts().isEmpty());
    EXPECT_EQ(controller->AccountNumber(), QByteArray("0086-10-1234567"));
    RechargeQuery query;
    query.SetNumber("0086-10-1234567");
    EXPECT_EQ(library.calls, (QStringList{u"ConnectPlain 10.1.2.3 9900 0086-10-1234567"_qs,
                                          u"SendData 0086-10-1234567 40 "_qs +
                                              QString::fromLatin1(query.Payload().toHex())}));
    EXPECT_EQ(form().status, u"已经连接到注册服务器，等待验证..."_qs);
    EXPECT_FALSE(form().actionEnabled);
    EXPECT_TRUE(AnswerTimer().active);
    EXPECT_EQ(AnswerTimer().interval, 5000);
}

TEST_F(Recharge, ConnectAndQueryFailuresShowInTheStatusLineAndAllowAnotherTry) {
    library.Script(u"ConnectPlain"_qs, {0});
    AskFor("0086-10-1234567");
    EXPECT_EQ(form().status, u"不能连接到服务器IP:10.1.2.3,端口:9900!0"_qs);
    EXPECT_TRUE(form().actionEnabled);
    library.Script(u"SendData"_qs, {-1});
    controller->Act();
    EXPECT_EQ(form().status, u"现在不能充值!"_qs);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_FALSE(controller->AwaitingAnswer());
    controller->Act();
    EXPECT_TRUE(controller->AwaitingAnswer());
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskNumber);

    // A connection that fails after the query went out says so too.
    form().status.clear();
    controller->OnConnectionLost();
    EXPECT_EQ(form().status, u"不能连接到服务器IP:10.1.2.3,端口:9900!0"_qs);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_FALSE(controller->AwaitingAnswer());
    EXPECT_FALSE(AnswerTimer().active);
}

TEST_F(Recharge, FreeAccountChoosesTheCardType) {
    AskFor("0086-10-1234567");
    Answer('0');
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskCard);
    EXPECT_FALSE(AnswerTimer().active);
    EXPECT_EQ(form().action, u"确认"_qs);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_TRUE(form().first.isEmpty() && form().second.isEmpty());
    EXPECT_EQ(form().firstLabel, u"输入充值卡卡号:"_qs);
    EXPECT_EQ(form().secondLabel, u"输入充值卡密码:"_qs);
    EXPECT_TRUE(form().cardTypesShown);
    EXPECT_TRUE(form().cardTypesEnabled);

    form().first = u"100000001 "_qs;
    form().second = u"1111"_qs;
    controller->Act();
    EXPECT_EQ(boxes.Texts(), QStringList{u"请选择充值类型!"_qs});
    EXPECT_EQ(form().focus, Focus::CardTypes);
    form().cardType = 2;
    library.calls.clear();
    controller->Act();
    RechargeRequest request;
    request.SetNumber("0086-10-1234567");
    request.SetCardType('3');
    request.SetCardNumber("100000001");
    request.SetCardPassword("1111");
    EXPECT_EQ(library.calls, QStringList{u"SendData 0086-10-1234567 36 "_qs +
                                         QString::fromLatin1(request.Payload().toHex())});
    EXPECT_EQ(controller->Verdict(), '3');
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kRequestSent);
    EXPECT_TRUE(form().closed);
}

TEST_F(Recharge, UnknownAccountGoesBackToStepZero) {
    AskFor("0086-10-1234567");
    Answer('7');
    EXPECT_EQ(form().status, u"无此用户，无法进行充值!"_qs);
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskNumber);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_FALSE(form().cardTypesShown);
    library.calls.clear();
    controller->Act();
    EXPECT_EQ(form().action, u"下一步"_qs);
    EXPECT_EQ(library.calls.first(), u"DisconnectServer 0086-10-1234567"_qs);
    EXPECT_TRUE(controller->AwaitingAnswer());
}

TEST_F(Recharge, CardChecksKeepStepTwo) {
    AskFor("0086-10-1234567");
    Answer('1');
    controller->Act();
    form().first = u"100000001"_qs;
    controller->Act();
    form().second = QString(32, u'9');
    controller->Act();
    EXPECT_EQ(boxes.Texts(), (QStringList{u"请输入充值卡号码!"_qs, u"请输入充值卡密码!"_qs,
                                          u"充值卡密码太长!"_qs}));
    EXPECT_EQ(form().focus, Focus::Second);
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskCard);
}

TEST_F(Recharge, ARefusedSendStaysForASecondCard) {
    AskFor("0086-10-1234567");
    Answer('1');
    form().first = u"100000001"_qs;
    form().second = u"1111"_qs;
    library.Script(u"SendData"_qs, {-1});
    controller->Act();
    EXPECT_EQ(notices, QStringList{u"!未连接服务器!充值失败."_qs});
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskCard);
    EXPECT_FALSE(form().closed);
    form().first = u"100000002"_qs;
    controller->Act();
    EXPECT_TRUE(form().closed);
    // Once sent, a press only closes; the connection stays for the server's result.
    library.calls.clear();
    controller->Act();
    EXPECT_TRUE(library.calls.isEmpty());
}

TEST_F(Recharge, AnswersThatAreNotAwaitedAreDropped) {
    controller->Open("0086-10-1234567");
    Answer('0');  // before any query
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskNumber);
    controller->Act();
    Answer('0', "0086-10-7654321");  // another number's connection
    EXPECT_TRUE(controller->AwaitingAnswer());
    Answer('2');
    Answer('0');  // a second answer changes nothing
    EXPECT_EQ(controller->Verdict(), '2');
    EXPECT_EQ(form().cardType, 1);
}

TEST_F(Recharge, AServerThatDoesNotAnswerIsGivenUpAfterTheWait) {
    AskFor("0086-10-1234567");
    library.calls.clear();
    AnswerTimer().Fire();
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer 0086-10-1234567"_qs});
    EXPECT_EQ(form().status, u"服务器没有应答，现在不能充值!"_qs);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_FALSE(AnswerTimer().active);
    Answer('0');  // too late
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskNumber);
    // The user tries again.
    controller->Act();
    EXPECT_TRUE(AnswerTimer().active);
    Answer('0');
    EXPECT_EQ(controller->CurrentStep(), RechargeController::kAskCard);
}

TEST_F(Recharge, CancelDropsOnlyAConnectionTheDialogOpened) {
    controller->Open("0086-10-1234567");
    controller->Cancel();
    EXPECT_TRUE(library.calls.isEmpty());  // the logged-in account keeps its login

    controller->Open("0086-10-1234567");
    controller->Act();
    library.calls.clear();
    controller->Cancel();
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer 0086-10-1234567"_qs});
    EXPECT_FALSE(AnswerTimer().active);
}

TEST_F(Recharge, AServerNamedByItsHostNameIsAskedOnceFoundAndAClosedDialogAsksNothing) {
    QFile list(dir.filePath(u"serverlist.ini"_qs));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[0086-10]\nserver=pay.example.com\nport=9900\n");
    list.close();
    AskFor("0086-10-1234567");
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, "pay.example.com");
    EXPECT_TRUE(controller->LookingUp());
    EXPECT_FALSE(form().actionEnabled);
    EXPECT_EQ(form().status, u"正在连接注册服务器，请稍侯..."_qs);
    EXPECT_TRUE(library.calls.isEmpty());
    resolver.Answer(0, "10.7.7.7");
    ASSERT_EQ(library.calls.size(), 2);
    EXPECT_EQ(library.calls[0], u"ConnectPlain 10.7.7.7 9900 0086-10-1234567"_qs);
    EXPECT_TRUE(library.calls[1].startsWith(u"SendData 0086-10-1234567 40 "_qs));
    EXPECT_TRUE(controller->AwaitingAnswer());

    // Closed while the name is looked up: its answer opens nothing.
    library.calls.clear();
    AskFor("0086-10-1234567");
    controller->Cancel();
    EXPECT_FALSE(controller->LookingUp());
    resolver.Answer(1, "10.7.7.7");
    EXPECT_TRUE(library.calls.isEmpty());

    // A name that is not found: said in the status line, and another try is possible.
    AskFor("0086-10-1234567");
    resolver.Answer(2, {}, u"Host not found"_qs);
    EXPECT_EQ(form().status, u"找不到服务器pay.example.com(Host not found)!"_qs);
    EXPECT_TRUE(form().actionEnabled);
    EXPECT_TRUE(library.calls.isEmpty());
}

TEST_F(Recharge, TheLineOutlivesTheDialogUntilTheVerdictAndTakesTheNumberOver) {
    LogIn("0086-10-1234567");
    int lost = 0;
    QObject::connect(&line, &RechargeLine::lost, &line, [&lost] { ++lost; });
    QList<char> answers;
    QObject::connect(&line, &RechargeLine::cardAnswer, &line,
                     [&answers](const Reply& r) { answers << r.data.at(0); });
    // Recharging the logged-in account interrupts its login, without a word to the pages.
    EXPECT_TRUE(line.InterruptsLogin("0086-10-1234567"));
    ASSERT_EQ(line.Open("10.1.2.3", 9900, "0086-10-1234567"), 1);
    EXPECT_EQ(library.calls.first(), u"DisconnectServer 0086-10-1234567"_qs);
    EXPECT_TRUE(connections.Owns(line, "0086-10-1234567"));
    EXPECT_TRUE(ClientParts::notices.isEmpty());
    library.Deliver(MakeReply(note::kCardAnswer, '2', "0086-10-1234567", "2"));
    EXPECT_EQ(answers, QList<char>{'2'});

    // The server's verdict on the request is shown, the line closes and the login goes on.
    library.calls.clear();
    line.AwaitVerdict();
    library.Deliver(MakeReply(note::kNotice, 1, "0086-10-1234567",
                              QByteArray(1, '\1') + QStringToGbk(u"充值成功!"_qs)));
    EXPECT_EQ(ClientParts::notices.last(), u"充值成功!"_qs);
    EXPECT_EQ(library.calls, (QStringList{u"DisconnectServer 0086-10-1234567"_qs,
                                          u"ConnectServer 127.0.0.1 8800 0086-10-1234567 own"_qs}));
    EXPECT_FALSE(lineTimers.made.at(0)->active);
    EXPECT_EQ(line.Send("x", 36), -1);
    // The login again keeps the verdict among the notices, and the login dialog hears nothing.
    int dialogHeard = 0;
    QObject::connect(&login, &LoginState::ownLoginResult, &line, [&dialogHeard] { ++dialogHeard; });
    QObject::connect(&session, &ClientSession::noticesCleared, &line,
                     [&dialogHeard] { ++dialogHeard; });
    library.Deliver(MakeReply(note::kLogin, 1, "0086-10-1234567", "ok"));
    EXPECT_EQ(dialogHeard, 0);
    EXPECT_TRUE(login.Holds("0086-10-1234567"));

    // A connection that could not be opened is reported.
    line.Open("10.1.2.3", 9900, "0086-10-7654321");
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-7654321"));
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(line.Send("x", 36), -1);
}

TEST(RechargeServicePeriod, OnePerCardType) {
    EXPECT_EQ(RechargeController::ServicePeriod(0), u"服务12个月"_qs);
    EXPECT_EQ(RechargeController::ServicePeriod(1), u"服务6个月"_qs);
    EXPECT_EQ(RechargeController::ServicePeriod(2), u"服务3个月"_qs);
    EXPECT_TRUE(RechargeController::ServicePeriod(-1).isEmpty());
    EXPECT_EQ(RechargeController::kCardTypes.size(), 3);
}

}  // namespace
}  // namespace tessan
