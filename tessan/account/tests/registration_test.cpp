// The registration wizard's rules and the registrar against the fake library and a fake timer.
#include "account/registration/registrar.h"
#include "account/registration/registrationrules.h"
#include "core/base/gbk.h"
#include "core/login/rememberedlogins.h"
#include "testsupport/clientparts.h"
#include "testsupport/faketimer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using namespace registration;
using Field = UserProfile::Field;

Step1 Valid() {
    return {u"0086"_qs,   u"10"_qs,    u"1234567"_qs, u"张三"_qs, u"0086-10-1234567"_qs,
            u"Secret"_qs, u"Secret"_qs};
}

TEST(RegistrationChecks, EachCheckWithItsMessageAndFocusInOrder) {
    struct Case {
        std::function<void(Step1&)> change;
        QString message;
        Input focus;
    };
    const std::vector<Case> cases{
        {[](Step1& s) { s.countryCode.clear(); }, u"请输入正确的国家代号!"_qs, Input::CountryCode},
        {[](Step1& s) { s.countryCode = u"86"_qs; }, u"国家代号必须以00开头!"_qs,
         Input::CountryCode},
        {[](Step1& s) { s.areaCode.clear(); }, u"请输入正确的地区代号!"_qs, Input::AreaCode},
        {[](Step1& s) { s.areaCode = u"010"_qs; }, u"地区代号第一位不能为0!"_qs, Input::AreaCode},
        {[](Step1& s) { s.number.clear(); }, u"请输入正确的Tessan代号!"_qs, Input::Number},
        {[](Step1& s) { s.number = u"123456"_qs; }, u"请输入正确的Tessan代号!必须为7-8位的数字."_qs,
         Input::Number},
        {[](Step1& s) { s.number = u"123456789"_qs; },
         u"请输入正确的Tessan代号!必须为7-8位的数字."_qs, Input::Number},
        {[](Step1& s) { s.name.clear(); }, u"请输入正确的用户名称!"_qs, Input::Name},
        {[](Step1& s) { s.publicKey.clear(); }, u"请输入正确的公钥!"_qs, Input::PublicKey},
        {[](Step1& s) { s.privateKey.clear(); }, u"请输入正确的私钥!"_qs, Input::PrivateKey},
        {[](Step1& s) { s.confirmation.clear(); }, u"请再次输入正确的私钥!"_qs,
         Input::Confirmation},
        {[](Step1& s) { s.confirmation = u"secret"_qs; }, u"两次输入的私钥不相同!"_qs,
         Input::PrivateKey},
        {[](Step1& s) { s.privateKey = s.confirmation = s.publicKey; },
         u"私钥不能和公钥相同，请修改!"_qs, Input::PrivateKey},
    };
    for (const Case& c : cases) {
        Step1 s = Valid();
        c.change(s);
        const auto refusal = CheckStep1(s);
        ASSERT_TRUE(refusal) << c.message.toStdString();
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->focus, c.focus) << c.message.toStdString();
    }
    EXPECT_FALSE(CheckStep1(Valid()));
    Step1 eight = Valid();
    eight.number = u"12345678"_qs;
    EXPECT_FALSE(CheckStep1(eight));
    // With everything empty the first check wins.
    EXPECT_EQ(CheckStep1(Step1{})->message, u"请输入正确的国家代号!"_qs);
}

TEST(RegistrationFilters, DashMovesTheFocusAndOtherCharactersGo) {
    Filtered f = FilterTyping(Input::CountryCode, u"0086-"_qs);
    EXPECT_EQ(f.text, u"0086"_qs);
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.moveFocusTo, Input::AreaCode);
    f = FilterTyping(Input::AreaCode, u"10-"_qs);
    EXPECT_EQ(f.text, u"10"_qs);
    EXPECT_EQ(f.moveFocusTo, Input::Number);
    f = FilterTyping(Input::AreaCode, u"1a"_qs);
    EXPECT_EQ(f.text, u"1"_qs);
    EXPECT_FALSE(f.moveFocusTo);
    // The filter repeats on its own result until the last character is allowed.
    f = FilterTyping(Input::CountryCode, u"00x-"_qs);
    EXPECT_EQ(f.text, u"00"_qs);
    EXPECT_EQ(f.moveFocusTo, Input::AreaCode);
    // Only the last character is looked at.
    f = FilterTyping(Input::Number, u"12a4"_qs);
    EXPECT_EQ(f.text, u"12a4"_qs);
    EXPECT_FALSE(f.changed);
    f = FilterTyping(Input::Number, u"123-"_qs);
    EXPECT_EQ(f.text, u"123"_qs);
    EXPECT_FALSE(f.moveFocusTo);
    EXPECT_EQ(FilterTyping(Input::Number, u"１"_qs).text, QString());  // a full-width digit
    EXPECT_EQ(FilterTyping(Input::PostCode, u"100-"_qs).text, u"100"_qs);
    for (Input phone : {Input::Phone, Input::Fax, Input::Videophone, Input::Mobile}) {
        EXPECT_EQ(FilterTyping(phone, u"010-6"_qs).text, u"010-6"_qs);
        EXPECT_EQ(FilterTyping(phone, u"010-"_qs).text, u"010-"_qs);
        EXPECT_EQ(FilterTyping(phone, u"010 +"_qs).text, u"010"_qs);
    }
    f = FilterTyping(Input::Name, u"张-"_qs);
    EXPECT_FALSE(f.changed);
    EXPECT_TRUE(FilterTyping(Input::CountryCode, QString()).text.isEmpty());
}

TEST(RegistrationPages, PagesWriteTheirFieldsAndMakeAFreeAccount) {
    UserProfile profile;
    WriteStep1(profile, Valid());
    EXPECT_EQ(profile.Number(), u"0086-10-1234567"_qs);
    EXPECT_EQ(profile.Name(), u"张三"_qs);
    EXPECT_EQ(profile.PublicKey(), u"0086-10-1234567"_qs);
    EXPECT_EQ(profile.Text(Field::PrivateKey), u"Secret"_qs);
    WriteStep2(profile, {});
    WriteStep3(profile, {});
    EXPECT_EQ(profile.UserType(), '0');
    // Empty optional pages leave nothing but the mandatory fields and the user type.
    UserProfile expected;
    WriteStep1(expected, Valid());
    expected.SetUserType('0');
    EXPECT_EQ(profile.Bytes(), expected.Bytes());

    WriteStep2(profile, {u"010-1"_qs, u"010-2"_qs, u"3"_qs, u"139"_qs, u"w"_qs});
    WriteStep3(profile, {u"c"_qs, u"中国"_qs, u"p"_qs, u"a"_qs, u"100000"_qs, u"o"_qs});
    EXPECT_EQ(profile.Text(Field::Phone), u"010-1"_qs);
    EXPECT_EQ(profile.Text(Field::Fax), u"010-2"_qs);
    EXPECT_EQ(profile.Text(Field::Videophone), u"3"_qs);
    EXPECT_EQ(profile.Text(Field::Mobile), u"139"_qs);
    EXPECT_EQ(profile.Text(Field::WebAddress), u"w"_qs);
    EXPECT_EQ(profile.Text(Field::Company), u"c"_qs);
    EXPECT_EQ(profile.Text(Field::Country), u"中国"_qs);
    EXPECT_EQ(profile.Text(Field::Province), u"p"_qs);
    EXPECT_EQ(profile.Text(Field::PostalAddress), u"a"_qs);
    EXPECT_EQ(profile.Text(Field::PostCode), u"100000"_qs);
    EXPECT_EQ(profile.Text(Field::Occupation), u"o"_qs);
}

TEST(RegistrationPages, EveryInputFitsItsFieldAndHasHelp) {
    EXPECT_EQ(DefaultPublicKey(u"0086"_qs, u"10"_qs, u"1234567"_qs), u"0086-10-1234567"_qs);
    EXPECT_TRUE(HelpText(Input::Number).contains(u"\"国家代号-地区代号-Tessan号码\""_qs));
    for (int i = 0; i <= static_cast<int>(Input::Occupation); ++i) {
        const auto input = static_cast<Input>(i);
        EXPECT_TRUE(HelpText(input).startsWith(u' ')) << i;
    }
}

class RegistrarTest : public ::testing::Test, protected FakeClient {
  protected:
    void SetUp() override {
        registrar = std::make_unique<Registrar>(
            connections, boxes, resolver, dir.path(),
            [this](const QString& text, bool error) {
                notices.append((error ? u"!"_qs : u""_qs) + text);
            },
            timers.Factory(), 2000);
        QObject::connect(registrar.get(), &Registrar::accountRegistered, registrar.get(),
                         [this](const UserProfile& p) { registered.append(p.Number()); });
        QObject::connect(registrar.get(), &Registrar::loginRemembered, registrar.get(),
                         [this] { ++remembered; });
    }
    void Fill() {
        registrar->Begin();
        WriteStep1(registrar->Profile(), Valid());
        WriteStep2(registrar->Profile(), {});
        WriteStep3(registrar->Profile(), {});
    }
    void Result(std::uint8_t status, const QByteArray& text) {
        library.Deliver(MakeReply(note::kRegister, status, "", text));
    }
    QByteArray RememberFile() const {
        QFile f(dir.filePath(u"remember.ini"_qs));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    FakeTimers timers;
    QStringList notices;
    QStringList registered;
    int remembered = 0;
    std::unique_ptr<Registrar> registrar;
};

TEST_F(RegistrarTest, SuccessAddsTheEntryRemembersTheLoginAndHidesTheKey) {
    Fill();
    ASSERT_TRUE(registrar->Submit());
    EXPECT_EQ(library.calls, QStringList{u"RegisterUser 127.0.0.1 8800 0086-10-1234567"_qs});
    EXPECT_TRUE(timers.made.at(0)->active);
    // The wizard may open again before the verdict; the verdict is about what was sent.
    registrar->Begin();
    Result(1, QStringToGbk(u"注册成功!"_qs));
    EXPECT_FALSE(timers.made.at(0)->active);
    EXPECT_EQ(registered, QStringList{u"0086-10-1234567"_qs});
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0],
              u"新用户:0086-10-1234567注册成功!\r\n私钥:******,公钥:0086-10-1234567!"_qs);
    EXPECT_FALSE(notices[0].contains(u"Secret"_qs));
    EXPECT_EQ(remembered, 1);

    // The new account is in the list with its key, ready to log in.
    RememberedLogins logins(dir.path());
    ASSERT_EQ(logins.Load(), 1);
    EXPECT_EQ(logins.Record(0).Number(), QByteArray("0086-10-1234567"));
    EXPECT_EQ(logins.LastUsedIndex(), 0);
    EXPECT_EQ(logins.Record(0).PrivateKey(), "Secret");
    EXPECT_EQ(QFile(dir.filePath(u"remember.ini"_qs)).permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_FALSE(RememberFile().contains("Secret"));
}

TEST_F(RegistrarTest, StatusOtherThanOneAddsTheEntryButRemembersNothing) {
    Fill();
    registrar->Submit();
    Result(2, "ok");
    EXPECT_EQ(registered.size(), 1);
    EXPECT_EQ(remembered, 0);
    EXPECT_TRUE(RememberFile().isEmpty());
}

TEST_F(RegistrarTest, RefusalIsANoticeWithTheErrorFlag) {
    Fill();
    registrar->Submit();
    Result(0, QStringToGbk(u"该Tessan号码已经被注册!"_qs));
    EXPECT_EQ(notices, QStringList{u"!该Tessan号码已经被注册!"_qs});
    EXPECT_TRUE(registered.isEmpty());
    EXPECT_FALSE(registrar->AwaitingResult());
}

TEST_F(RegistrarTest, UnresolvableNumberAndFailedConnectionAreReported) {
    registrar->Begin();
    registrar->Profile().SetRawText(Field::Number, "0086");
    EXPECT_FALSE(registrar->Submit());
    EXPECT_EQ(boxes.Texts(),
              QStringList{u"无效格式的Tessan号码!参考格式(国家号.区号.号码):0086-123-1234567!"_qs});
    EXPECT_TRUE(library.calls.isEmpty());

    Fill();
    library.Script(u"RegisterUser"_qs, {0});
    EXPECT_FALSE(registrar->Submit());
    EXPECT_EQ(notices, QStringList{u"!注册失败，无法连接到注册服务器127.0.0.1:8800"_qs});
    EXPECT_FALSE(registrar->AwaitingResult());
    EXPECT_FALSE(timers.made.at(0)->active);

    // A connection that fails after the request went out says the same.
    EXPECT_TRUE(registrar->Submit());
    EXPECT_TRUE(timers.made.at(0)->active);
    library.Deliver(MakeAccountEvent(note::kDisconnected, ""));
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(notices.last(), notices.first());
    EXPECT_FALSE(registrar->AwaitingResult());
    EXPECT_FALSE(timers.made.at(0)->active);
}

TEST_F(RegistrarTest, AServerNamedByItsHostNameIsAskedOnceTheNameIsFound) {
    QFile list(dir.filePath(u"serverlist.ini"_qs));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[0086-10]\nserver=reg.example.com\nport=9900\n");
    list.close();
    Fill();
    EXPECT_TRUE(registrar->Submit());
    ASSERT_EQ(resolver.requests.size(), 1u);
    EXPECT_EQ(resolver.requests[0].name, "reg.example.com");
    EXPECT_TRUE(library.calls.isEmpty());
    // Pressed again before the answer: only the second lookup counts.
    EXPECT_TRUE(registrar->Submit());
    ASSERT_EQ(resolver.requests.size(), 2u);
    // The wizard opens again meanwhile; what goes out is the profile that was submitted.
    registrar->Begin();
    resolver.Answer(0, "10.9.9.1");
    EXPECT_TRUE(library.calls.isEmpty());
    resolver.Answer(1, "10.9.9.2");
    EXPECT_EQ(library.calls, QStringList{u"RegisterUser 10.9.9.2 9900 0086-10-1234567"_qs});
    EXPECT_TRUE(registrar->AwaitingResult());
    Result(1, "ok");
    EXPECT_EQ(registered, QStringList{u"0086-10-1234567"_qs});

    // A name that is not found: a notice that names it, nothing sent.
    notices.clear();
    library.calls.clear();
    Fill();
    EXPECT_TRUE(registrar->Submit());
    resolver.Answer(2, {}, u"Host not found"_qs);
    EXPECT_TRUE(library.calls.isEmpty());
    EXPECT_EQ(notices, QStringList{u"!注册失败，找不到服务器reg.example.com(Host not found)"_qs});
    EXPECT_FALSE(registrar->AwaitingResult());
}

TEST_F(RegistrarTest, NoVerdictIsToldAfterTheWaitAndTheConnectionCloses) {
    Fill();
    registrar->Submit();
    library.calls.clear();
    timers.made.at(0)->Fire();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith(u"!注册服务器没有应答"_qs));
    EXPECT_EQ(library.calls, QStringList{u"DisconnectServer"_qs});
    EXPECT_FALSE(registrar->AwaitingResult());
    Result(1, "ok");  // on no connection of the client's
    EXPECT_TRUE(registered.empty());
}

}  // namespace
}  // namespace tessan
