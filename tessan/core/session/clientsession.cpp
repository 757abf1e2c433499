#include "core/session/clientsession.h"

#include "core/records/usertype.h"
#include "core/startup/localfiles.h"

namespace tessan {

ClientSession::ClientSession(QString appDir, QObject* parent)
    : QObject(parent),
      appDir_(std::move(appDir)),
      downloadFolder_(tessan::LocalPath(appDir_, u"download")),
      updater_(tessan::LocalPath(appDir_, u"Renovator")) {}

QString ClientSession::LocalPath(QStringView name) const {
    return tessan::LocalPath(appDir_, name);
}

void ClientSession::SetCurrentLogin(const QString& number, const QString& privateKey) {
    currentAccount_.Clear();
    currentPrivateKey_.Clear();
    currentAccount_.SetText(number);
    currentPrivateKey_.SetText(privateKey);
}

bool ClientSession::IsOwnAccount(QByteArrayView account) const {
    return !currentAccount_.IsEmpty() && account == currentAccount_.Bytes();
}

void ClientSession::ReadParameterFile() {
    tessan::ReadParameterFile(appDir_, parameterByte_);
}

void ClientSession::StoreOwnProfile(const UserProfile& profile) {
    ownQuota_ = QuotaForUserType(profile.UserType());
    ownProfile_ = profile;
    emit ownProfileChanged(ownProfile_);
}

void ClientSession::ShowNotice(const QString& text, bool error) {
    emit noticeShown(text, error);
}

void ClientSession::ClearNotices() {
    emit noticesCleared();
}

}  // namespace tessan
