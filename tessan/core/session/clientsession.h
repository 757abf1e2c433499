// ClientSession: the state the whole client shares for the life of the process, and nothing else.
// It holds the values the design names process-wide (AppDir, CurrentAccount, CurrentPrivateKey,
// ParameterByte, OwnProfile, OwnQuota), announces their changes and is the channel for notices.
// The composition root builds one; pages and rules get it by reference. Tests build their own.
#pragma once

#include "core/records/accounttext.h"
#include "core/records/userprofile.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace tessan {

class ClientSession final : public QObject {
    Q_OBJECT
  public:
    explicit ClientSession(QString appDir, QObject* parent = nullptr);

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

    // The client's channel for messages that need no answer (the notice panel under the main
    // window); `error` does not change how the text is shown.
    void ShowNotice(const QString& text, bool error = false);
    void ClearNotices();

  signals:
    // After the new profile and quota are stored.
    void ownProfileChanged(const tessan::UserProfile& profile);
    void noticeShown(const QString& text, bool error);
    void noticesCleared();

  private:
    QString appDir_;
    QString downloadFolder_;
    QString updater_;
    AccountText currentAccount_;
    AccountText currentPrivateKey_;
    std::uint8_t parameterByte_ = 0;
    UserProfile ownProfile_;
    std::int64_t ownQuota_ = 0;
};

}  // namespace tessan
