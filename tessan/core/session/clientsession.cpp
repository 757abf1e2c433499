#include "core/session/clientsession.h"

#include "core/library/library.h"
#include "core/library/notificationhub.h"
#include "core/login/serverlookup.h"
#include "core/records/usertype.h"
#include "core/startup/localfiles.h"
#include "core/transfers/transferqueue.h"

namespace tessan {

ClientSession::ClientSession(QString appDir, Library& library, MessageBoxes& boxes, Clock clock,
                             QObject* parent)
    : QObject(parent),
      appDir_(std::move(appDir)),
      downloadFolder_(tessan::LocalPath(appDir_, u"download")),
      updater_(tessan::LocalPath(appDir_, u"Renovator")),
      library_(library),
      boxes_(boxes),
      systemResolver_(std::make_unique<SystemResolver>()),
      resolver_(systemResolver_.get()) {
    notifications_ = std::make_unique<NotificationHub>(*this);
    transfers_ = std::make_unique<TransferQueue>(*this, std::move(clock));
}

ClientSession::~ClientSession() {
    StopLibrary();
}

QString ClientSession::LocalPath(QStringView name) const {
    return tessan::LocalPath(appDir_, name);
}

void ClientSession::SetCurrentLogin(const QString& number, const QString& privateKey) {
    currentAccount_.Clear();
    currentPrivateKey_.Clear();
    currentAccount_.SetText(number);
    currentPrivateKey_.SetText(privateKey);
    emit currentLoginChanged();
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

int ClientSession::StartLibrary() {
    libraryRunning_ = true;
    MakePrivateFolder(downloadFolder_);
    return library_.Init(DownloadFolder(),
                         [this](const Notification& n) { notifications_->Dispatch(n); });
}

void ClientSession::StopLibrary() {
    if (!libraryRunning_) return;
    libraryRunning_ = false;
    library_.Free();
}

}  // namespace tessan
