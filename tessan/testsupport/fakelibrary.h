// A Library for tests: records every call as one line of text, answers from per-function scripts
// (1 when nothing is scripted) and delivers notifications to the sink given to Init.
#pragma once

#include "core/library/library.h"

#include <QStringList>

#include <deque>
#include <map>
#include <vector>

namespace tessan {

class FakeLibrary final : public Library {
  public:
    int Init(const QString& downloadFolder, Sink sink) override;
    int Free() override;
    int ConnectServer(const QByteArray& address, int port, const QByteArray& account,
                      const QByteArray& password) override;
    int ConnectPlain(const QByteArray& address, int port, const QByteArray& account) override;
    int DisconnectServer(const QByteArray& account) override;
    int UploadFile(const QByteArray& sender, const QByteArray& account,
                   const QString& localPath) override;
    int DownLoad(const QByteArray& account, const QByteArray& storedName) override;
    int DelFile(const QByteArray& account, const QByteArray& storedName) override;
    int ListFile(const QByteArray& account) override;
    int Confirm(const QByteArray& account, const QByteArray& storedName, bool goAhead) override;
    int RegisterUser(const QByteArray& address, int port, const UserProfile& profile) override;
    int ModifyUser(const UserProfile& profile) override;
    int AddFriend(const QByteArray& account, const FriendRecord& entry) override;
    int DelFriend(const QByteArray& account, const QByteArray& friendAccount) override;
    int ModifyFriend(const QByteArray& account, const FriendRecord& entry) override;
    int DownLoadIni(const QByteArray& account, const QByteArray& configName) override;
    int SendData(const QByteArray& account, const QByteArray& payload, int command) override;

    // Results for the next calls of `function` ("ConnectServer", "UploadFile", ...), in order.
    void Script(const QString& function, std::initializer_list<int> results);
    // Passes a notification to the sink, as the library would on the UI thread.
    void Deliver(const Notification& n) const;

    QStringList calls;
    // The records of AddFriend and ModifyFriend, and the profiles of ModifyUser, in order.
    std::vector<FriendRecord> friendRecords;
    std::vector<UserProfile> modifiedProfiles;

  private:
    int Record(const QString& function, const QString& arguments);

    Sink sink_;
    std::map<QString, std::deque<int>> scripts_;
};

// Notifications built the way the adapter hands them over.
Notification MakeReply(int type, std::uint8_t status, const QByteArray& account,
                       const QByteArray& data, std::uint8_t kind = 0);
Notification MakeProgress(std::uint8_t direction, const QByteArray& fileName,
                          const QByteArray& account, std::uint16_t percent,
                          std::uint32_t fileSize = 0);
Notification MakeAccountEvent(int type, const QByteArray& account);

}  // namespace tessan
