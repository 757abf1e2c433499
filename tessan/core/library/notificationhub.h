// NotificationHub: the replies on the own connection as typed Qt signals, one per kind; nothing
// else. The own login (LoginState) hands it what it does not handle itself, and pages and dialogs
// subscribe with themselves as the context object, so any number of them can listen to one kind
// and each is disconnected when it goes. Listeners never rely on the order of their connections.
#pragma once

#include "core/library/notifications.h"

#include <QObject>

namespace tessan {

class NotificationHub final : public QObject {
    Q_OBJECT
  public:
    explicit NotificationHub(QObject* parent = nullptr);

    // Emits the signal of `n`'s type; false for a type without one. A type nothing listens to is
    // written to the diagnostics. Listeners run while the library thread waits: they may call the
    // library, even close the notifying connection.
    bool Dispatch(const Notification& n);

  signals:
    void listSummary(const tessan::Reply& reply);                 // 5
    void downloadAnswer(const tessan::DownloadAnswer& answer);    // 7
    void uploadAnswer(const tessan::UploadAnswer& answer);        // 9: an upload to the own space
    void deleteResult(const tessan::Reply& reply);                // 11
    void addFriendResult(const tessan::FriendAnswer& answer);     // 13
    void delFriendResult(const tessan::FriendAnswer& answer);     // 15
    void modifyFriendResult(const tessan::FriendAnswer& answer);  // 17
    void modifyUserResult(const tessan::Reply& reply);            // 19
    void addressBookEntries(const tessan::Reply& reply);          // 28
    void fileEntries(const tessan::Reply& reply);                 // 30
    void progress(const tessan::Progress& progress);              // 254

  private:
    // Emits `signal` with `args`, or logs that no one listens to `type`; true.
    template <typename Signal, typename... Args>
    bool Emit(int type, Signal signal, const Args&... args);
};

}  // namespace tessan
