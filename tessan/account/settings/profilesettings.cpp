#include "account/settings/profilesettings.h"

#include "core/records/usertype.h"

namespace tessan {

namespace {

using F = UserProfile::Field;
using B = ProfileBox;

}  // namespace

const std::array<ProfileBoxSpec, kProfileBoxCount>& ProfileBoxSpecs() {
    static const std::array<ProfileBoxSpec, kProfileBoxCount> specs = {{
        {B::Number, u"Tessan", 30, true, false, false, F::Number},
        {B::Type, u"类型", 31, true, false, false, std::nullopt},
        {B::PublicKey, u"公钥", 31, false, false, false, F::PublicKey},
        {B::PrivateKey, u"私    钥", 31, false, true, false, F::PrivateKey},
        {B::Confirmation, u"确认私钥", 0, false, true, false, std::nullopt},
        {B::Name, u"用户姓名", 31, false, false, false, F::Name},
        {B::Company, u"单位", 127, false, false, false, F::Company},
        {B::Country, u"所在国家", 63, false, false, false, F::Country},
        {B::Phone, u"电话", 31, false, false, true, F::Phone},
        {B::Province, u"所在省份", 63, false, false, false, F::Province},
        {B::Fax, u"传真", 31, false, false, true, F::Fax},
        {B::Mobile, u"手机号码", 31, false, false, true, F::Mobile},
        {B::Videophone, u"网电", 31, false, false, true, F::Videophone},
        {B::WebAddress, u"网    址", 127, false, false, false, F::WebAddress},
        {B::PostalAddress, u"地址", 127, false, false, false, F::PostalAddress},
        {B::PostCode, u"邮政编码", 31, false, false, false, F::PostCode},
        {B::Occupation, u"从事", 127, false, false, false, F::Occupation},
    }};
    return specs;
}

ProfileSettings::ProfileSettings(Library& library, MessageBoxes& boxes,
                                 const AccountText& currentAccount, OwnProfileSource ownProfile,
                                 KeyNotice keyNotice, QObject* parent)
    : QObject(parent),
      library_(library),
      boxes_(boxes),
      currentAccount_(currentAccount),
      ownProfile_(std::move(ownProfile)),
      keyNotice_(std::move(keyNotice)) {}

std::optional<ProfileValues> ProfileSettings::ValuesToShow() const {
    if (currentAccount_.IsEmpty()) return std::nullopt;
    const UserProfile& own = ownProfile_();
    ProfileValues values;
    for (const ProfileBoxSpec& spec : ProfileBoxSpecs())
        if (spec.field) At(values, spec.box) = own.Text(*spec.field);
    At(values, B::Type) = UserTypeLabel(own.UserType());
    return values;
}

std::optional<ProfileBox> ProfileSettings::Save(const ProfileValues& values) {
    const auto refuse = [this](const QString& text, ProfileBox focus) {
        boxes_.Tell(text);
        return std::optional(focus);
    };
    const QString& privateKey = At(values, B::PrivateKey);
    const QString& publicKey = At(values, B::PublicKey);
    if (privateKey.isEmpty()) return refuse(u"必需输入私钥"_qs, B::PrivateKey);
    if (privateKey != At(values, B::Confirmation))
        return refuse(u"两次输入的私钥不相同！"_qs, B::PrivateKey);
    if (publicKey.isEmpty()) return refuse(u"必须输入正确的公钥"_qs, B::PublicKey);
    if (publicKey == privateKey) return refuse(u"公钥不能和私钥相同!"_qs, B::PublicKey);
    if (At(values, B::Name).isEmpty()) return refuse(u"必须输入正确的用户名!"_qs, B::Name);

    UserProfile profile;
    for (const ProfileBoxSpec& spec : ProfileBoxSpecs())
        if (spec.field) profile.SetText(*spec.field, At(values, spec.box));
    profile.SetUserType(ownProfile_().UserType());
    if (library_.ModifyUser(profile) != 1) boxes_.Tell(u"修改用户信息失败!"_qs);
    SetNoticeEnabled(true);
    return std::nullopt;
}

bool ProfileSettings::SendKeyNotice(const QDateTime& now) {
    // What the server holds now: a refused save announces nothing new, and a new login announces
    // its own account.
    if (!keyNotice_ || !keyNotice_(ownProfile_(), now)) return false;
    SetNoticeEnabled(false);
    return true;
}

void ProfileSettings::SetNoticeEnabled(bool enabled) {
    if (noticeEnabled_ == enabled) return;
    noticeEnabled_ = enabled;
    emit noticeEnabledChanged(enabled);
}

}  // namespace tessan
