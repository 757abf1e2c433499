#include "testsupport/fakelibrary.h"

namespace tessan {

namespace {
QString Text(const QByteArray& gbk) {
    return QString::fromLatin1(gbk.toPercentEncoding("@-."));
}
}  // namespace

int FakeLibrary::Init(const QString& downloadFolder, Sink sink) {
    sink_ = std::move(sink);
    return Record(QStringLiteral("InitFtpDll"), downloadFolder);
}

int FakeLibrary::Free() {
    sink_ = nullptr;
    return Record(QStringLiteral("FreeFtpDll"), QString());
}

int FakeLibrary::ConnectServer(const QByteArray& address, int port, const QByteArray& account,
                               const QByteArray& password) {
    return Record(QStringLiteral("ConnectServer"), QStringLiteral("%1 %2 %3 %4")
                                                       .arg(Text(address))
                                                       .arg(port)
                                                       .arg(Text(account), Text(password)));
}

int FakeLibrary::ConnectPlain(const QByteArray& address, int port, const QByteArray& account) {
    return Record(QStringLiteral("ConnectPlain"),
                  QStringLiteral("%1 %2 %3").arg(Text(address)).arg(port).arg(Text(account)));
}

int FakeLibrary::DisconnectServer(const QByteArray& account) {
    return Record(QStringLiteral("DisconnectServer"), Text(account));
}

int FakeLibrary::UploadFile(const QByteArray& sender, const QByteArray& account,
                            const QString& localPath) {
    return Record(QStringLiteral("UploadFile"),
                  QStringLiteral("%1 %2 %3").arg(Text(sender), Text(account), localPath));
}

int FakeLibrary::DownLoad(const QByteArray& account, const QByteArray& storedName) {
    return Record(QStringLiteral("DownLoad"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(storedName)));
}

int FakeLibrary::DelFile(const QByteArray& account, const QByteArray& storedName) {
    return Record(QStringLiteral("DelFile"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(storedName)));
}

int FakeLibrary::ListFile(const QByteArray& account) {
    return Record(QStringLiteral("ListFile"), Text(account));
}

int FakeLibrary::Confirm(const QByteArray& account, const QByteArray& storedName, bool goAhead) {
    return Record(
        QStringLiteral("Confirm"),
        QStringLiteral("%1 %2 %3").arg(Text(account), Text(storedName)).arg(goAhead ? 1 : 0));
}

int FakeLibrary::RegisterUser(const QByteArray& address, int port, const UserProfile& profile) {
    return Record(QStringLiteral("RegisterUser"),
                  QStringLiteral("%1 %2 %3")
                      .arg(Text(address))
                      .arg(port)
                      .arg(Text(profile.RawText(UserProfile::Field::Number))));
}

int FakeLibrary::ModifyUser(const UserProfile& profile) {
    modifiedProfiles.push_back(profile);
    return Record(QStringLiteral("ModifyUser"), Text(profile.RawText(UserProfile::Field::Number)));
}

int FakeLibrary::AddFriend(const QByteArray& account, const FriendRecord& entry) {
    friendRecords.push_back(entry);
    return Record(QStringLiteral("AddFriend"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(entry.FriendNumber())));
}

int FakeLibrary::DelFriend(const QByteArray& account, const QByteArray& friendAccount) {
    return Record(QStringLiteral("DelFriend"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(friendAccount)));
}

int FakeLibrary::ModifyFriend(const QByteArray& account, const FriendRecord& entry) {
    friendRecords.push_back(entry);
    return Record(QStringLiteral("ModifyFriend"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(entry.FriendNumber())));
}

int FakeLibrary::DownLoadIni(const QByteArray& account, const QByteArray& configName) {
    return Record(QStringLiteral("DownLoadIni"),
                  QStringLiteral("%1 %2").arg(Text(account), Text(configName)));
}

int FakeLibrary::SendData(const QByteArray& account, const QByteArray& payload, int command) {
    return Record(QStringLiteral("SendData"), QStringLiteral("%1 %2 %3")
                                                  .arg(Text(account))
                                                  .arg(command)
                                                  .arg(QString::fromLatin1(payload.toHex())));
}

void FakeLibrary::Script(const QString& function, std::initializer_list<int> results) {
    auto& queue = scripts_[function];
    queue.insert(queue.end(), results);
}

void FakeLibrary::Deliver(const Notification& n) const {
    if (sink_) sink_(n);
}

int FakeLibrary::Record(const QString& function, const QString& arguments) {
    calls.append(arguments.isEmpty() ? function : function + QLatin1Char(' ') + arguments);
    auto& queue = scripts_[function];
    if (queue.empty()) return 1;
    const int result = queue.front();
    queue.pop_front();
    return result;
}

Notification MakeReply(int type, std::uint8_t status, const QByteArray& account,
                       const QByteArray& data, std::uint8_t kind) {
    Reply reply;
    reply.kind = kind;
    reply.status = status;
    reply.account = account;
    reply.dataLength = static_cast<int>(data.size());
    reply.data = data;
    reply.data.append(QByteArray(1024, '\0'));
    return {type, reply};
}

Notification MakeProgress(std::uint8_t direction, const QByteArray& fileName,
                          const QByteArray& account, std::uint16_t percent,
                          std::uint32_t fileSize) {
    Progress p;
    p.direction = direction;
    p.fileName = fileName;
    p.account = account;
    p.fileSize = fileSize;
    p.percent = percent;
    p.percentText = QByteArray::number(percent) + '%';
    return {note::kProgress, p};
}

Notification MakeAccountEvent(int type, const QByteArray& account) {
    if (type == note::kQueueEmpty) return {type, QueueEmpty{account, 0}};
    return {type, AccountEvent{account}};
}

}  // namespace tessan
