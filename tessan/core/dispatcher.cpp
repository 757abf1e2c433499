#include "core/dispatcher.h"

#include "account/usertype.h"
#include "core/gbk.h"
#include "core/globals.h"

#include <algorithm>
#include <array>

namespace tessan {

namespace {

// Types whose handling belongs to a page: without a joined handler they are dropped quietly,
// not reported as unknown.
constexpr std::array kRoutedTypes = {
    note::kLogin,        note::kRegister,   note::kListSummary, note::kDownloadAnswer,
    note::kUploadAnswer, note::kDelete,     note::kAddFriend,   note::kDelFriend,
    note::kModifyFriend, note::kModifyUser, note::kAddressBook, note::kFileEntries,
    note::kQueueEmpty,   note::kCardAnswer, note::kProgress,
};

bool IsOwnAccount(const QByteArray& account) {
    return !CurrentAccount.IsEmpty() && account == CurrentAccount.Bytes();
}

}  // namespace

Dispatcher::Dispatcher(Hooks hooks, MessageBoxes& boxes)
    : hooks_(std::move(hooks)), boxes_(boxes) {}

void Dispatcher::Route(int type, Handler handler) {
    routes_[type] = std::move(handler);
}

void Dispatcher::JoinResetBeforeLoginDialog(std::function<void()> handler) {
    resetBefore_.push_back(std::move(handler));
}

void Dispatcher::JoinResetAfterLoginDialog(std::function<void()> handler) {
    resetAfter_.push_back(std::move(handler));
}

void Dispatcher::JoinOwnProfileBeforeStore(ProfileHandler handler) {
    profileBefore_.push_back(std::move(handler));
}

void Dispatcher::JoinOwnProfileAfterStore(ProfileHandler handler) {
    profileAfter_.push_back(std::move(handler));
}

void Dispatcher::DispatchNotification(const Notification& n) {
    const Reply* reply = n.reply();
    switch (n.type) {
        case note::kLogin:
            if (reply && IsOwnAccount(reply->account)) return OwnLoginResult(*reply);
            break;
        case note::kOwnProfile:
            if (reply) OwnProfileArrived(*reply);
            return;
        case note::kServerNotice:
        case note::kNotice:
            if (reply) ServerNotice(*reply);
            return;
        case note::kDisconnected:
            if (const AccountEvent* event = n.accountEvent()) ConnectionLost(*event);
            return;
        case note::kShowSettings:
            hooks_.showPage(4);
            return;
        default:
            break;
    }
    if (PassOn(n)) return;
    if (std::find(kRoutedTypes.begin(), kRoutedTypes.end(), n.type) == kRoutedTypes.end())
        Unknown(n.type);
}

bool Dispatcher::PassOn(const Notification& n) {
    const auto route = routes_.find(n.type);
    if (route == routes_.end() || !route->second) return false;
    route->second(n);
    return true;
}

void Dispatcher::OwnLoginResult(const Reply& reply) {
    const bool accepted = reply.status == 1;
    hooks_.clearNotices();
    hooks_.showNotice(reply.TextAt(0), reply.status == 0);
    if (accepted) hooks_.enablePageButtons();
    for (const auto& reset : resetBefore_) reset();
    // The dialog may close itself (and clear this handler) while it runs: call a copy.
    if (const ReplyHandler dialog = loginDialog_) dialog(reply);
    for (const auto& reset : resetAfter_) reset();
}

void Dispatcher::OwnProfileArrived(const Reply& reply) {
    const auto bytes = reinterpret_cast<const std::uint8_t*>(reply.data.constData());
    const std::optional<UserProfile> profile = UserProfile::FromBytes(
        std::span(bytes, std::min<std::size_t>(UserProfile::kSize, reply.data.size())));
    if (!profile) return;
    QString label = UserTypeLabel(profile->UserType());
    const qsizetype bracket = label.indexOf(QLatin1Char('['));
    if (bracket >= 0) label.truncate(bracket);
    for (const auto& handler : profileBefore_) handler(*profile);
    OwnQuota = QuotaForUserType(profile->UserType());
    OwnProfile = *profile;
    for (const auto& handler : profileAfter_) handler(OwnProfile);
    hooks_.setTitle(
        QStringLiteral("Tessan v1.32  %1 %2  ").arg(label, GbkToQString(reply.account)));
}

void Dispatcher::ServerNotice(const Reply& reply) {
    const QString text = reply.TextAt(1);
    hooks_.showNotice(text, reply.status == 0);
    if (reply.status == 0)
        boxes_.Show({text, QString(), MessageBoxes::Icon::None, MessageBoxes::Buttons::OkCancel,
                     MessageBoxes::Answer::Ok});
}

void Dispatcher::ConnectionLost(const AccountEvent& event) {
    if (!IsOwnAccount(event.account)) return;
    hooks_.showNotice(QStringLiteral("断开与服务器的连接，请重新登录!"), true);
    hooks_.postLoginCommand();
}

void Dispatcher::Unknown(int type) {
    hooks_.showNotice(QStringLiteral("无法识别的消息类型:%1\r\n").arg(type), true);
}

}  // namespace tessan
