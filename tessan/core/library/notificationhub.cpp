#include "core/library/notificationhub.h"

#include "core/base/diagnostics.h"

#include <QMetaMethod>

namespace tessan {

NotificationHub::NotificationHub(QObject* parent) : QObject(parent) {}

template <typename Signal, typename... Args>
bool NotificationHub::Emit(int type, Signal signal, const Args&... args) {
    if (isSignalConnected(QMetaMethod::fromSignal(signal)))
        (this->*signal)(args...);
    else
        qCInfo(lcNotifications, "notification type %d: nothing listens, dropped", type);
    return true;
}

bool NotificationHub::Dispatch(const Notification& n) {
    if (const Progress* p = n.progress()) return Emit(n.type, &NotificationHub::progress, *p);
    const Reply* reply = n.reply();
    if (!reply) return false;
    switch (n.type) {
        case note::kListSummary:
            return Emit(n.type, &NotificationHub::listSummary, *reply);
        case note::kDownloadAnswer:
            return Emit(n.type, &NotificationHub::downloadAnswer, DownloadAnswerOf(*reply));
        case note::kUploadAnswer:
            return Emit(n.type, &NotificationHub::uploadAnswer, UploadAnswerOf(*reply));
        case note::kDelete:
            return Emit(n.type, &NotificationHub::deleteResult, *reply);
        case note::kAddFriend:
            return Emit(n.type, &NotificationHub::addFriendResult, FriendAnswerOf(*reply));
        case note::kDelFriend:
            return Emit(n.type, &NotificationHub::delFriendResult, FriendAnswerOf(*reply));
        case note::kModifyFriend:
            return Emit(n.type, &NotificationHub::modifyFriendResult, FriendAnswerOf(*reply));
        case note::kModifyUser:
            return Emit(n.type, &NotificationHub::modifyUserResult, *reply);
        case note::kAddressBook:
            return Emit(n.type, &NotificationHub::addressBookEntries, *reply);
        case note::kFileEntries:
            return Emit(n.type, &NotificationHub::fileEntries, *reply);
        default:
            return false;
    }
}

}  // namespace tessan
