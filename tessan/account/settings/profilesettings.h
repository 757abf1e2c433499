// ProfileSettings: the rules of the settings sheet's profile page. It fills the form from the own
// profile, checks and saves it with ModifyUser, and has the key-change notice sent to every
// friend. The page mirrors the boxes and the notice button.
#pragma once

#include "core/base/messageboxes.h"
#include "core/library/library.h"
#include "core/records/accounttext.h"
#include "core/records/userprofile.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace tessan {

enum class ProfileBox {
    Number,
    Type,
    PublicKey,
    PrivateKey,
    Confirmation,
    Name,
    Company,
    Country,
    Phone,
    Province,
    Fax,
    Mobile,
    Videophone,
    WebAddress,
    PostalAddress,
    PostCode,
    Occupation,
};
inline constexpr std::size_t kProfileBoxCount = 17;

struct ProfileBoxSpec {
    ProfileBox box;
    const char16_t* label;
    int limit;  // the most GBK bytes the box takes; 0: no limit
    bool readOnly;
    bool password;
    bool digitsAndDashes;  // the phone-like boxes' typing filter
    std::optional<UserProfile::Field> field;
};
const std::array<ProfileBoxSpec, kProfileBoxCount>& ProfileBoxSpecs();

using ProfileValues = std::array<QString, kProfileBoxCount>;
inline QString& At(ProfileValues& v, ProfileBox b) {
    return v[static_cast<std::size_t>(b)];
}
inline const QString& At(const ProfileValues& v, ProfileBox b) {
    return v[static_cast<std::size_t>(b)];
}

class ProfileSettings final : public QObject {
    Q_OBJECT
  public:
    using OwnProfileSource = std::function<const UserProfile&()>;
    // Sends the notice that `own`'s keys changed to every friend; false when it could not be
    // written (nothing was sent).
    using KeyNotice = std::function<bool(const UserProfile& own, const QDateTime& now)>;

    // All references must outlive this; the account and the profile are read at each use.
    ProfileSettings(Library& library, MessageBoxes& boxes, const AccountText& currentAccount,
                    OwnProfileSource ownProfile, KeyNotice keyNotice, QObject* parent = nullptr);

    // The boxes' texts each time the page becomes active: the own profile with an empty
    // confirmation; nothing without a login (the boxes keep what they hold).
    std::optional<ProfileValues> ValuesToShow() const;

    // "保存": the box to focus when a check fails (its message was shown), else nothing.
    std::optional<ProfileBox> Save(const ProfileValues& values);
    // "发送公钥给所有好友", with the name, number and public key of the own profile as the server
    // last sent it (it sends the stored one after a save): false when the notice could not be
    // written (nothing is sent).
    bool SendKeyNotice(const QDateTime& now);

    bool NoticeEnabled() const { return noticeEnabled_; }

  signals:
    void noticeEnabledChanged(bool enabled);

  private:
    void SetNoticeEnabled(bool enabled);

    Library& library_;
    MessageBoxes& boxes_;
    const AccountText& currentAccount_;
    OwnProfileSource ownProfile_;
    KeyNotice keyNotice_;
    bool noticeEnabled_ = false;
};

}  // namespace tessan
