#include "account/registration/registrationrules.h"

namespace tessan::registration {

namespace {

// Where the service's own pages are; named in the help texts of page 2.
const QString kServiceSite = QStringLiteral("https://www.tessan.example/");
const QString kVideophoneSite = QStringLiteral("https://video.tessan.example/");

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

enum class Rule { None, DigitsDashMoves, Digits, DigitsAndDash };

Rule RuleOf(Input input) {
    switch (input) {
        case Input::CountryCode:
        case Input::AreaCode:
            return Rule::DigitsDashMoves;
        case Input::Number:
        case Input::PostCode:
            return Rule::Digits;
        case Input::Phone:
        case Input::Fax:
        case Input::Videophone:
        case Input::Mobile:
            return Rule::DigitsAndDash;
        default:
            return Rule::None;
    }
}

bool Allowed(Rule rule, QChar c) {
    switch (rule) {
        case Rule::None:
            return true;
        case Rule::DigitsDashMoves:
        case Rule::Digits:
            return IsDigit(c);
        case Rule::DigitsAndDash:
            return IsDigit(c) || c == u'-';
    }
    return true;
}

}  // namespace

int Limit(Input input) {
    switch (input) {
        case Input::CountryCode:
        case Input::AreaCode:
            return 5;
        case Input::Number:
            return 9;
        case Input::WebAddress:
        case Input::Company:
        case Input::Address:
        case Input::Occupation:
            return 127;
        case Input::CountryName:
        case Input::Province:
            return 63;
        default:
            return 30;
    }
}

int MaxBytes(Input input) {
    using F = UserProfile::Field;
    const auto of = [](F field) { return static_cast<int>(UserProfile::MaxLength(field)); };
    switch (input) {
        case Input::Name:
            return of(F::Name);
        case Input::PublicKey:
            return of(F::PublicKey);
        case Input::PrivateKey:
        case Input::Confirmation:
            return of(F::PrivateKey);
        case Input::Phone:
            return of(F::Phone);
        case Input::Fax:
            return of(F::Fax);
        case Input::Videophone:
            return of(F::Videophone);
        case Input::Mobile:
            return of(F::Mobile);
        case Input::WebAddress:
            return of(F::WebAddress);
        case Input::Company:
            return of(F::Company);
        case Input::CountryName:
            return of(F::Country);
        case Input::Province:
            return of(F::Province);
        case Input::Address:
            return of(F::PostalAddress);
        case Input::PostCode:
            return of(F::PostCode);
        case Input::Occupation:
            return of(F::Occupation);
        default:
            // The number's parts and the user type: digits (or a fixed text) within their limit.
            return Limit(input);
    }
}

QString HelpText(Input input) {
    switch (input) {
        case Input::CountryCode:
            return QStringLiteral(
                " 国家代号是用户所在国家的长途区号.\r\n如:中国的国家代号是:0086.\r\n此为必填字段");
        case Input::AreaCode:
            return QStringLiteral(
                " 地区代号是该地区的长途区号.\r\n并且前面去0.\r\n如:北京的区号是:"
                "10.\r\n此为必填字段.");
        case Input::Number:
            return QStringLiteral(
                " Tessan号码是用户注册的Tessan客户代码.只能是7-8位数字.\r\n如:"
                "1234567。\r\n注册成功后用户的ID由\"国家代号-地区代号-Tessan号码"
                "\"组成.\r\n如：0086-10-1234567.\r\n此为必填字段");
        case Input::Name:
            return QStringLiteral(
                " 用户的姓名，为了和其它人能够很好的联系建议如实填写.\r\n此为必填字段");
        case Input::PublicKey:
            return QStringLiteral(
                " 公钥是用来限制其它人向你发送文件的密码。\r\n对方只有知道你的公钥才有权限加你为好"
                "友并向你发送文件.公钥由系统默认为你的Tessan帐号如：0086-10-1234567.\r\n你可以修改"
                "它以防止垃圾文件.\r\n此为必填字段，字母区分大小写");
        case Input::PrivateKey:
            return QStringLiteral(
                " 私钥是用来登录Tessan系统。并用来获取对该帐号的Tessan空间的管理权限。\r\n如：收取"
                "文件、删除文件、好友管理等.\r\n此为必填字段，字母区分大小写.");
        case Input::Confirmation:
            return QStringLiteral(
                " 为了确认你的输入正确,请确认输入你设定的私钥.\r\n注册成功后请妥善保管好。以后你就"
                "可以用它来登录Tessan系统了。\r\n此为必填字段，字母区分大小写.");
        case Input::UserType:
            return QStringLiteral(
                       " 初次注册为免费用户，并拥有5M免费空间.如果想拥有更多空间，请购"
                       "买Tessan充值卡.详情请浏览：\r\n") +
                   kServiceSite;
        case Input::Phone:
            return QStringLiteral(" 请输入你的电话号码.");
        case Input::Fax:
            return QStringLiteral(" 输入你的传真号码。方便好友联系.");
        case Input::Videophone:
            return QStringLiteral(
                       " 网电号码是你在网电视频服务中的帐号，好友可以通过它与你进行视"
                       "频联系.\r\n详情请浏览：\r\n") +
                   kVideophoneSite;
        case Input::Mobile:
            return QStringLiteral(" 请输入你的手机号码.");
        case Input::WebAddress:
            return QStringLiteral(" 请输入你的相关网址.");
        case Input::Company:
            return QStringLiteral(" 输入你所在公司的名称.");
        case Input::CountryName:
            return QStringLiteral(" 输入你所在国家的名称.");
        case Input::Province:
            return QStringLiteral(" 输入你所在省份的名称.");
        case Input::Address:
            return QStringLiteral(" 输入你的地址.");
        case Input::PostCode:
            return QStringLiteral(" 输入你所在地的邮编.");
        case Input::Occupation:
            return QStringLiteral(" 输入你的职业类型.");
    }
    return {};
}

Filtered FilterTyping(Input input, const QString& text) {
    const Rule rule = RuleOf(input);
    Filtered out{text, false, std::nullopt};
    while (!out.text.isEmpty() && !Allowed(rule, out.text.back())) {
        if (rule == Rule::DigitsDashMoves && out.text.back() == u'-')
            out.moveFocusTo = input == Input::CountryCode ? Input::AreaCode : Input::Number;
        out.text.chop(1);
        out.changed = true;
    }
    return out;
}

QString DefaultPublicKey(const QString& countryCode, const QString& areaCode,
                         const QString& number) {
    return countryCode + u'-' + areaCode + u'-' + number;
}

std::optional<Refusal> CheckStep1(const Step1& s) {
    const auto refuse = [](const char16_t* message, Input focus) {
        return std::optional<Refusal>(Refusal{QString::fromUtf16(message), focus});
    };
    if (s.countryCode.isEmpty()) return refuse(u"请输入正确的国家代号!", Input::CountryCode);
    if (!s.countryCode.startsWith(u"00"))
        return refuse(u"国家代号必须以00开头!", Input::CountryCode);
    if (s.areaCode.isEmpty()) return refuse(u"请输入正确的地区代号!", Input::AreaCode);
    if (s.areaCode.startsWith(u'0')) return refuse(u"地区代号第一位不能为0!", Input::AreaCode);
    if (s.number.isEmpty()) return refuse(u"请输入正确的Tessan代号!", Input::Number);
    if (s.number.size() != 7 && s.number.size() != 8)
        return refuse(u"请输入正确的Tessan代号!必须为7-8位的数字.", Input::Number);
    if (s.name.isEmpty()) return refuse(u"请输入正确的用户名称!", Input::Name);
    if (s.publicKey.isEmpty()) return refuse(u"请输入正确的公钥!", Input::PublicKey);
    if (s.privateKey.isEmpty()) return refuse(u"请输入正确的私钥!", Input::PrivateKey);
    if (s.confirmation.isEmpty()) return refuse(u"请再次输入正确的私钥!", Input::Confirmation);
    if (s.privateKey != s.confirmation) return refuse(u"两次输入的私钥不相同!", Input::PrivateKey);
    if (s.privateKey == s.publicKey)
        return refuse(u"私钥不能和公钥相同，请修改!", Input::PrivateKey);
    return std::nullopt;
}

void WriteStep1(UserProfile& profile, const Step1& s) {
    using F = UserProfile::Field;
    profile.SetText(F::Number, DefaultPublicKey(s.countryCode, s.areaCode, s.number));
    profile.SetText(F::Name, s.name);
    profile.SetText(F::PublicKey, s.publicKey);
    profile.SetText(F::PrivateKey, s.privateKey);
}

void WriteStep2(UserProfile& profile, const Step2& s) {
    using F = UserProfile::Field;
    profile.SetText(F::Phone, s.phone);
    profile.SetText(F::Fax, s.fax);
    profile.SetText(F::Videophone, s.videophone);
    profile.SetText(F::Mobile, s.mobile);
    profile.SetText(F::WebAddress, s.webAddress);
    profile.SetUserType('0');
}

void WriteStep3(UserProfile& profile, const Step3& s) {
    using F = UserProfile::Field;
    profile.SetText(F::Company, s.company);
    profile.SetText(F::Country, s.countryName);
    profile.SetText(F::Province, s.province);
    profile.SetText(F::PostalAddress, s.address);
    profile.SetText(F::PostCode, s.postCode);
    profile.SetText(F::Occupation, s.occupation);
}

}  // namespace tessan::registration
