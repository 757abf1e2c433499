#include "core/library/tessnetlibrary.h"

#include "core/base/diagnostics.h"

#include <QFile>

namespace tessan {

TessnetLibrary::TessnetLibrary(ServerBoxes& boxes, QObject* parent)
    : QObject(parent), boxes_(boxes) {
    host_.context = this;
    host_.post = &TessnetLibrary::Post;
    host_.window_proc = &TessnetLibrary::WindowProc;
    host_.message_box = &TessnetLibrary::ShowLibraryBox;
    host_.log = &TessnetLibrary::LogLibraryLine;
}

TessnetLibrary::~TessnetLibrary() {
    Free();
}

void TessnetLibrary::Post(void* context, void (*fn)(void* arg), void* arg) {
    // Any thread. A queued call into this object runs on the UI thread, or never once the object
    // is gone; the library's threads have been stopped by then.
    auto* self = static_cast<TessnetLibrary*>(context);
    QMetaObject::invokeMethod(
        self, [fn, arg] { fn(arg); }, Qt::QueuedConnection);
}

void TessnetLibrary::WindowProc(void* context, int message, int type, const void* record) {
    auto* self = static_cast<TessnetLibrary*>(context);
    if (message != kHostMessage || !self->sink_) return;
    // The record dies when this returns: decode it now. A copy of the sink survives a Free
    // called by the handler itself.
    const Sink sink = self->sink_;
    sink(DecodeNotification(type, record));
}

void TessnetLibrary::ShowLibraryBox(void* context, const char* text, const char* caption,
                                    int icon) {
    auto* self = static_cast<TessnetLibrary*>(context);
    const MessageBoxes::Icon shown = icon == TESS_ICON_ERROR     ? MessageBoxes::Icon::Error
                                     : icon == TESS_ICON_WARNING ? MessageBoxes::Icon::Warning
                                                                 : MessageBoxes::Icon::Information;
    self->boxes_.Show({QString::fromUtf8(text ? text : ""),
                       QString::fromUtf8(caption ? caption : ""), shown, MessageBoxes::Buttons::Ok,
                       MessageBoxes::Answer::Ok});
}

void TessnetLibrary::LogLibraryLine(void*, const char* line) {
    // Any library thread; the message handler behind the category is thread-safe.
    qCWarning(lcEngine).noquote() << QString::fromUtf8(line ? line : "");
}

int TessnetLibrary::Init(const QString& downloadFolder, Sink sink) {
    sink_ = std::move(sink);
    const int result =
        ::InitFtpDll(&host_, kHostMessage, QFile::encodeName(downloadFolder).constData());
    running_ = result == 1;
    return result;
}

int TessnetLibrary::Free() {
    sink_ = nullptr;
    if (!running_) return 1;
    running_ = false;
    return ::FreeFtpDll();
}

int TessnetLibrary::ConnectServer(const QByteArray& address, int port, const QByteArray& account,
                                  const QByteArray& password) {
    return ::ConnectServer(address.constData(), port, account.constData(), password.constData());
}

int TessnetLibrary::ConnectPlain(const QByteArray& address, int port, const QByteArray& account) {
    return ::ConnectServer(address.constData(), port, account.constData(), nullptr);
}

int TessnetLibrary::DisconnectServer(const QByteArray& account) {
    return ::DisconnectServer(account.constData());
}

int TessnetLibrary::UploadFile(const QByteArray& sender, const QByteArray& account,
                               const QString& localPath) {
    return ::UploadFile(sender.constData(), account.constData(),
                        QFile::encodeName(localPath).constData());
}

int TessnetLibrary::DownLoad(const QByteArray& account, const QByteArray& storedName) {
    return ::DownLoad(account.constData(), storedName.constData());
}

int TessnetLibrary::DelFile(const QByteArray& account, const QByteArray& storedName) {
    return ::DelFile(account.constData(), storedName.constData());
}

int TessnetLibrary::ListFile(const QByteArray& account) {
    return ::ListFile(account.constData());
}

int TessnetLibrary::Confirm(const QByteArray& account, const QByteArray& storedName, bool goAhead) {
    return ::Confirm(account.constData(), storedName.constData(), goAhead ? 1 : 0);
}

int TessnetLibrary::RegisterUser(const QByteArray& address, int port, const UserProfile& profile) {
    return ::RegisterUser(address.constData(), port, profile.Bytes().data());
}

int TessnetLibrary::ModifyUser(const UserProfile& profile) {
    return ::ModifyUser(profile.Bytes().data());
}

int TessnetLibrary::AddFriend(const QByteArray& account, const FriendRecord& entry) {
    return ::AddFriend(account.constData(), entry.Bytes().data());
}

int TessnetLibrary::DelFriend(const QByteArray& account, const QByteArray& friendAccount) {
    return ::DelFriend(account.constData(), friendAccount.constData());
}

int TessnetLibrary::ModifyFriend(const QByteArray& account, const FriendRecord& entry) {
    return ::ModifyFriend(account.constData(), entry.Bytes().data());
}

int TessnetLibrary::DownLoadIni(const QByteArray& account, const QByteArray& configName) {
    return ::DownLoadIni(account.constData(), configName.constData());
}

int TessnetLibrary::SendData(const QByteArray& account, const QByteArray& payload, int command) {
    return ::SendData(account.constData(), payload.constData(), static_cast<int>(payload.size()),
                      command);
}

static_assert(UserProfile::kSize == TESS_USER_PROFILE_SIZE);
static_assert(FriendRecord::kSize == TESS_FRIEND_RECORD_SIZE);

}  // namespace tessan
