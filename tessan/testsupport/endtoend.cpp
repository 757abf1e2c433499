#include "testsupport/endtoend.h"

#include "core/base/gbk.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace tessan {

UserProfile FriendProfile(const QByteArray& number, const QString& name,
                          const QByteArray& publicKey) {
    UserProfile profile;
    profile.SetRawText(UserProfile::Field::Number, number);
    profile.SetText(UserProfile::Field::Name, name);
    profile.SetRawText(UserProfile::Field::PublicKey, publicKey);
    return profile;
}

UserProfile ZhaoProfile() {
    UserProfile zhao = FriendProfile(kZhao, QStringLiteral("赵六"), "zhao-pub");
    zhao.SetRawText(UserProfile::Field::PrivateKey, "zhao-key");
    zhao.SetUserType('1');
    return zhao;
}

EndToEnd::EndToEnd(MessageBoxes& boxes)
    : boxes_(boxes), serverBoxes_(boxes), tessnet_(serverBoxes_) {
    valid_ = dir_.isValid() && MakeFolders({"cache", "log"});
}

EndToEnd::~EndToEnd() {
    EndSession();
}

void EndToEnd::EndSession() {
    if (!client_) return;
    Disconnect();
    client_.reset();
}

void EndToEnd::Disconnect() {
    if (client_) client_->login.Disconnect();
}

bool EndToEnd::MakeFolders(std::initializer_list<const char*> names) const {
    const QDir root(dir_.path());
    for (const char* name : names)
        if (!root.mkpath(QLatin1String(name))) return false;
    return true;
}

TessdProcess* EndToEnd::StartServer(const QString& name, const QStringList& extra, bool demo) {
    TessdProcess& server = servers_.emplace_back();
    return server.Start(QStringLiteral(TESSD_PROGRAM), FilePath(name), extra, demo) ? &server
                                                                                    : nullptr;
}

bool EndToEnd::PointAllAt(int port) const {
    QFile list(FilePath(QStringLiteral("serverlist.ini")));
    const QByteArray ini = "[default]\nserver=127.0.0.1\nport=" + QByteArray::number(port) + "\n";
    return list.open(QIODevice::WriteOnly | QIODevice::Truncate) && list.write(ini) == ini.size();
}

bool EndToEnd::StartTwoServers() {
    if (!MakeFolders({"a", "b"}) || !(b_ = StartServer(QStringLiteral("b"), {}, false)))
        return false;
    const QString bList = FilePath(QStringLiteral("a-servers.ini"));
    if (!WriteLoopbackServerList(bList, {{"0086-21", b_->Port()}})) return false;
    a_ = StartServer(QStringLiteral("a"), {QStringLiteral("--serverlist"), bList});
    return a_ && WriteLoopbackServerList(FilePath(QStringLiteral("serverlist.ini")),
                                         {{"0086-10", a_->Port()}, {"0086-21", b_->Port()}});
}

ClientParts& EndToEnd::StartClient(Library* library, TimerFactory transferTimers) {
    client_ =
        std::make_unique<ClientParts>(dir_.path(), library ? *library : tessnet_, serverBoxes_,
                                      resolver_, TransferLogs::Clock(), std::move(transferTimers));
    QObject::connect(&client_->session, &ClientSession::noticeShown, &client_->session,
                     [this](const QString& text, bool) { notices << text; });
    client_->connections.Start(FilePath(QStringLiteral("download")));
    return *client_;
}

int EndToEnd::Register(int port, const UserProfile& profile) {
    struct Verdict final : ConnectionOwner {
        int status = -1;
        bool Notified(const Notification& n) override {
            if (n.type == note::kRegister && n.reply()) status = n.reply()->status;
            return true;
        }
        void ConnectionLost(const QByteArray&) override {}
    } verdict;
    Connections connections(tessnet_);
    if (!connections.Start(FilePath(QStringLiteral("download"))) ||
        connections.Register(verdict, "127.0.0.1", port, profile) != 1)
        return -1;
    return QTest::qWaitFor([&] { return verdict.status != -1; }, kWait) ? verdict.status : -1;
}

bool EndToEnd::LogIn(int port, const char* number, const char* key) {
    if (!client_) StartClient();
    QSignalSpy verdict(&client_->login, &LoginState::ownLoginResult);
    client_->session.SetCurrentLogin(GbkToQString(number), GbkToQString(key));
    return client_->login.Connect("127.0.0.1", port) == 1 &&
           QTest::qWaitFor([&] { return !verdict.isEmpty(); }, kWait) &&
           verdict[0][0].value<Reply>().status == 1;
}

}  // namespace tessan
