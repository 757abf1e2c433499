#include "core/library/notificationhub.h"

#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/base/messageboxes.h"
#include "core/base/version.h"
#include "core/records/usertype.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"

#include <QMetaMethod>

#include <algorithm>

namespace tessan {

NotificationHub::NotificationHub(ClientSession& session, QObject* parent)
    : QObject(parent), session_(session) {}

template <typename Signal, typename... Args>
void NotificationHub::Emit(int type, Signal signal, const Args&... args) {
    if (!isSignalConnected(QMetaMethod::fromSignal(signal))) {
        qCInfo(lcNotifications, "notification type %d: nothing listens, dropped", type);
        return;
    }
    (this->*signal)(args...);
}

void NotificationHub::Dispatch(const Notification& n) {
    if (n.type == note::kShowSettings) return Emit(n.type, &NotificationHub::settingsRequested);
    if (n.type == note::kProgress) {
        const Progress* p = n.progress();
        if (!p) return;
        session_.Transfers().HandleProgress(*p);
        if (isSignalConnected(QMetaMethod::fromSignal(&NotificationHub::progress)))
            emit progress(*p);
        return;
    }
    if (n.type == note::kQueueEmpty) {
        if (const QueueEmpty* event = n.queueEmpty())
            Emit(n.type, &NotificationHub::queueEmpty, *event);
        return;
    }
    if (n.type == note::kDisconnected) {
        if (const AccountEvent* event = n.accountEvent()) ConnectionLost(*event);
        return;
    }
    const Reply* reply = n.reply();
    if (!reply) {
        qCWarning(lcNotifications, "notification type %d without its record, dropped", n.type);
        return;
    }
    switch (n.type) {
        case note::kLogin:
            if (session_.IsOwnAccount(reply->account)) return OwnLoginResult(*reply);
            return Emit(n.type, &NotificationHub::recipientLoginResult, *reply);
        case note::kRegister:
            return Emit(n.type, &NotificationHub::registerResult, *reply);
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
        case note::kOwnProfile:
            return OwnProfileArrived(*reply);
        case note::kServerNotice:
        case note::kNotice:
            return ServerNotice(*reply);
        case note::kCardAnswer:
            return Emit(n.type, &NotificationHub::cardAnswer, *reply);
        default:
            return Unknown(n.type);
    }
}

void NotificationHub::OwnLoginResult(const Reply& reply) {
    session_.ClearNotices();
    session_.ShowNotice(reply.TextAt(0), reply.status == 0);
    if (reply.status == 1) emit ownLoginAccepted();
    emit loginResetBeforeDialog();
    emit ownLoginResult(reply);
    session_.Transfers().Clear();
    emit loginResetAfterDialog();
}

void NotificationHub::OwnProfileArrived(const Reply& reply) {
    const auto bytes = reinterpret_cast<const std::uint8_t*>(reply.data.constData());
    const std::optional<UserProfile> profile = UserProfile::FromBytes(
        std::span(bytes, std::min<std::size_t>(UserProfile::kSize, reply.data.size())));
    if (!profile) {
        qCWarning(lcNotifications, "own profile shorter than a profile record, dropped");
        return;
    }
    QString label = UserTypeLabel(profile->UserType());
    const qsizetype bracket = label.indexOf(QLatin1Char('['));
    if (bracket >= 0) label.truncate(bracket);
    emit ownProfileArriving(*profile);
    session_.StoreOwnProfile(*profile);
    emit titleChanged(QStringLiteral("Tessan v" TESSAN_VERSION "  %1 %2  ")
                          .arg(label, GbkToQString(reply.account)));
}

void NotificationHub::ServerNotice(const Reply& reply) {
    const QString text = reply.TextAt(TESS_NOTICE_OFF_TEXT);
    session_.ShowNotice(text, reply.status == 0);
    if (reply.status == 0)
        session_.Boxes().Show({text, QString(), MessageBoxes::Icon::None,
                               MessageBoxes::Buttons::OkCancel, MessageBoxes::Answer::Ok});
}

void NotificationHub::ConnectionLost(const AccountEvent& event) {
    if (!session_.IsOwnAccount(event.account)) {
        qCDebug(lcNotifications) << "connection of" << event.account << "lost";
        return;
    }
    session_.ShowNotice(QStringLiteral("断开与服务器的连接，请重新登录!"), true);
    emit ownConnectionLost();
}

void NotificationHub::Unknown(int type) {
    qCWarning(lcNotifications, "unknown notification type %d", type);
    session_.ShowNotice(QStringLiteral("无法识别的消息类型:%1\r\n").arg(type), true);
}

}  // namespace tessan
