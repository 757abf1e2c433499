// NotificationHub: the library's notifications as typed Qt signals, one per kind. Pages and dialogs
// subscribe with themselves as the context object, so any number of them can listen to one kind
// and each is disconnected when it goes. Where the order between listeners matters (the login
// resets around the login dialog, the own profile before and after it is stored), Dispatch emits
// separate signals in that order; listeners never rely on the order of their connections. The
// notifications that concern the login as a whole (own login result, own profile, server notices,
// loss of the own connection, unknown types) are handled here.
#pragma once

#include "core/library/notifications.h"
#include "core/records/userprofile.h"

#include <QObject>

namespace tessan {

class ClientSession;

class NotificationHub final : public QObject {
    Q_OBJECT
  public:
    explicit NotificationHub(ClientSession& session, QObject* parent = nullptr);

    // Every notification of the library, on the UI thread, while the library thread waits: every
    // listener may call the library, even disconnect the notifying connection.
    void Dispatch(const Notification& n);

  signals:
    // Type 1 for the own account, in this order: the notice is shown, then (accepted only)
    // ownLoginAccepted, loginResetBeforeDialog (address book, friend list), ownLoginResult (the
    // login dialog), the transfer list is emptied, loginResetAfterDialog (received files).
    void ownLoginAccepted();
    void loginResetBeforeDialog();
    void ownLoginResult(const tessan::Reply& reply);
    void loginResetAfterDialog();
    // Type 1 on any other connection: a recipient's server answering the sending pipeline.
    void recipientLoginResult(const tessan::Reply& reply);

    void registerResult(const tessan::Reply& reply);              // 3
    void listSummary(const tessan::Reply& reply);                 // 5
    void downloadAnswer(const tessan::DownloadAnswer& answer);    // 7
    void uploadAnswer(const tessan::UploadAnswer& answer);        // 9
    void deleteResult(const tessan::Reply& reply);                // 11
    void addFriendResult(const tessan::FriendAnswer& answer);     // 13
    void delFriendResult(const tessan::FriendAnswer& answer);     // 15
    void modifyFriendResult(const tessan::FriendAnswer& answer);  // 17
    void modifyUserResult(const tessan::Reply& reply);            // 19
    void addressBookEntries(const tessan::Reply& reply);          // 28
    void fileEntries(const tessan::Reply& reply);                 // 30
    void queueEmpty(const tessan::QueueEmpty& event);             // 33
    void cardAnswer(const tessan::Reply& reply);                  // 41
    void progress(const tessan::Progress& progress);              // 254, after the transfer list

    // Type 32: before the session stores the profile (the address book; OwnProfile and OwnQuota
    // still hold the previous one). After storing, the session emits ownProfileChanged (the
    // settings sheet), then titleChanged follows.
    void ownProfileArriving(const tessan::UserProfile& profile);
    void titleChanged(const QString& title);

    // Type 42 for the own account, after its notice; the main window reopens the login dialog.
    void ownConnectionLost();
    // Type 1024: show the settings page.
    void settingsRequested();

  private:
    void OwnLoginResult(const Reply& reply);
    void OwnProfileArrived(const Reply& reply);
    void ServerNotice(const Reply& reply);
    void ConnectionLost(const AccountEvent& event);
    void Unknown(int type);
    // Emits `signal` with `args`, or logs that no one listens to `type`.
    template <typename Signal, typename... Args>
    void Emit(int type, Signal signal, const Args&... args);

    ClientSession& session_;
};

}  // namespace tessan
