// ClientSession: what the whole client shares for the life of the process. It holds the values the
// design names process-wide (AppDir, CurrentAccount, CurrentPrivateKey, ParameterByte, OwnProfile,
// OwnQuota) and announces their changes, owns the library's lifetime, the notifications and the
// transfer queue, and is the channel for notices. main() builds one; every page and dialog gets it
// by reference through its constructor. Tests build their own.
#pragma once

#include "core/records/accounttext.h"
#include "core/records/userprofile.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace tessan {

class HostResolver;
class Library;
class MessageBoxes;
class NotificationHub;
class TransferQueue;

class ClientSession final : public QObject {
    Q_OBJECT
  public:
    using Clock = std::function<QDateTime()>;

    // `library` and `boxes` must outlive the session. `clock` stamps the transfer logs; the
    // default is the local time.
    ClientSession(QString appDir, Library& library, MessageBoxes& boxes, Clock clock = {},
                  QObject* parent = nullptr);
    ~ClientSession() override;

    // The program's folder, base of every local path. Chosen once, before the session exists.
    const QString& AppDir() const { return appDir_; }
    // "<AppDir>/<name>".
    QString LocalPath(QStringView name) const;
    // Where downloads go and what the view-files page shows. The program sets the user's folder
    // (UserDownloadFolder) before the library starts; until then it is "<AppDir>/download", which
    // keeps tests inside their own folder.
    const QString& DownloadFolder() const { return downloadFolder_; }
    void SetDownloadFolder(QString folder) { downloadFolder_ = std::move(folder); }
    // The updater started for an upgrade; empty when this copy has none. The program sets it
    // (UpdaterProgram) beside itself; until then it is "<AppDir>/Renovator".
    const QString& Updater() const { return updater_; }
    void SetUpdater(QString path) { updater_ = std::move(path); }

    // The current or last attempted login; empty when none was ever attempted. Only the login
    // writes them: cleared, then refilled on every attempt, so they hold the last attempt even
    // when it failed.
    const AccountText& CurrentAccount() const { return currentAccount_; }
    const AccountText& CurrentPrivateKey() const { return currentPrivateKey_; }
    void SetCurrentLogin(const QString& number, const QString& privateKey);
    // True when `account` is the current account (never for an empty one).
    bool IsOwnAccount(QByteArrayView account) const;

    // First byte of para.ini, 0 when the file is missing. Nothing in the client consults it yet.
    std::uint8_t ParameterByte() const { return parameterByte_; }
    void ReadParameterFile();

    // The logged-in account's profile as the server last sent it, and its space quota in bytes.
    const UserProfile& OwnProfile() const { return ownProfile_; }
    std::int64_t OwnQuota() const { return ownQuota_; }
    // Replaces both; announced with ownProfileChanged.
    void StoreOwnProfile(const UserProfile& profile);

    // The library seam, the message boxes, the typed notifications and the transfer queue.
    Library& Lib() { return library_; }
    MessageBoxes& Boxes() { return boxes_; }
    NotificationHub& Notifications() { return *notifications_; }
    TransferQueue& Transfers() { return *transfers_; }
    // Looks up the host names of serverlist.ini: the system's resolver unless a test put another
    // in its place (which must outlive the session's use of it).
    HostResolver& Resolver() { return *resolver_; }
    void UseResolver(HostResolver& resolver) { resolver_ = &resolver; }

    // The client's channel for messages that need no answer (the notice panel under the main
    // window); `error` does not change how the text is shown.
    void ShowNotice(const QString& text, bool error = false);
    void ClearNotices();

    // Creates the download folder (readable by the user only) and calls InitFtpDll with it; from
    // here on notifications reach Notifications(). The main window calls it during its set-up,
    // StopLibrary when it closes (also safe to repeat).
    int StartLibrary();
    void StopLibrary();
    bool LibraryRunning() const { return libraryRunning_; }

  signals:
    void currentLoginChanged();
    // After the new profile and quota are stored.
    void ownProfileChanged(const tessan::UserProfile& profile);
    void noticeShown(const QString& text, bool error);
    void noticesCleared();

  private:
    QString appDir_;
    QString downloadFolder_;
    QString updater_;
    Library& library_;
    MessageBoxes& boxes_;
    AccountText currentAccount_;
    AccountText currentPrivateKey_;
    std::uint8_t parameterByte_ = 0;
    UserProfile ownProfile_;
    std::int64_t ownQuota_ = 0;
    bool libraryRunning_ = false;
    std::unique_ptr<HostResolver> systemResolver_;
    HostResolver* resolver_ = nullptr;  // systemResolver_ or the one a test gave
    std::unique_ptr<NotificationHub> notifications_;
    std::unique_ptr<TransferQueue> transfers_;
};

}  // namespace tessan
