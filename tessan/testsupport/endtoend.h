// What the end-to-end tests share: real tessd processes on ephemeral loopback ports with their
// data in the test's own folder, the client's real library and a session over that folder, and
// the accounts the tests log in with.
#pragma once

#include "core/library/tessnetlibrary.h"
#include "core/login/serverlookup.h"
#include "core/records/userprofile.h"
#include "testsupport/clientparts.h"
#include "testsupport/tessdprocess.h"

#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>
#include <list>
#include <memory>

namespace tessan {

// The accounts of a tessd started with its demo accounts; their public keys are their numbers.
namespace demo {
inline constexpr char kZhang[] = "0086-10-1234567";  // 张三
inline constexpr char kZhangKey[] = "zhang123";
inline constexpr char kLi[] = "0086-10-7654321";  // 李四
inline constexpr char kLiKey[] = "li123";
inline constexpr char kWang[] = "0086-10-5555555";  // 王五
inline constexpr char kWangKey[] = "wang123";
}  // namespace demo

// The friend the tests register on the second server, under another prefix.
inline constexpr char kZhao[] = "0086-21-8888888";
// 赵六 with the public key "zhao-pub" and the private key "zhao-key".
UserProfile ZhaoProfile();

// A friend's entry as the address book holds it: number, name and public key.
UserProfile FriendProfile(const QByteArray& number, const QString& name,
                          const QByteArray& publicKey);

// The test's folder (the client's program folder, with cache/ and log/), its servers, the real
// library and the client's core on it. One per test function; pages and windows built on the
// client go first, after Disconnect. Going, it ends the client.
class EndToEnd {
  public:
    // How long a test waits for a server's answer, in milliseconds.
    static constexpr int kWait = 30000;

    explicit EndToEnd(MessageBoxes& boxes);
    EndToEnd(const EndToEnd&) = delete;
    EndToEnd& operator=(const EndToEnd&) = delete;
    ~EndToEnd();

    // The folder and its cache/ and log/ were made.
    bool IsValid() const { return valid_; }
    QString Path() const { return dir_.path(); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }
    bool MakeFolders(std::initializer_list<const char*> names) const;

    // A tessd with its data in the folder's `name`: the demo accounts unless `demo` is false, and
    // `extra` arguments. Null when it did not start; it runs as long as this.
    TessdProcess* StartServer(const QString& name, const QStringList& extra = {}, bool demo = true);
    // serverlist.ini sends every number to the server on `port`.
    bool PointAllAt(int port) const;
    // Server A (data in a/) with the demo accounts under 0086-10, server B (b/) without accounts
    // under 0086-21; serverlist.ini names both, and A asks B about numbers there.
    bool StartTwoServers();
    TessdProcess& A() { return *a_; }
    TessdProcess& B() { return *b_; }

    // The real library over the boxes.
    TessnetLibrary& Tessnet() { return tessnet_; }
    // The boxes servers cause, for the library and the client alike.
    ServerBoxes& ServerBoxGate() { return serverBoxes_; }
    // The client's core over the folder, its library started: the real one, or `library` when the
    // test puts its own in front of it. Its notices go to `notices`. `transferTimers` bound the
    // friends' logins (empty: QTimers).
    ClientParts& StartClient(Library* library = nullptr, TimerFactory transferTimers = {});
    SystemResolver& Resolver() { return resolver_; }

    // Registers `profile` on the server at `port` on a start of the library of its own (before
    // any client runs on it); the status of the answer, or -1 when none came.
    int Register(int port, const UserProfile& profile);
    // Logs the client's account in (GBK) on the server at `port` as the login dialog does; true
    // when the server accepted it, false when it refused or did not answer.
    bool LogIn(int port, const char* number, const char* key);

    // Closes the own connection, if any.
    void Disconnect();
    // Disconnects, stops the library and ends the client; the folder stays.
    void EndSession();

    // What the client showed in the notice panel.
    QStringList notices;

  private:
    QTemporaryDir dir_;
    bool valid_ = false;
    std::list<TessdProcess> servers_;
    TessdProcess* a_ = nullptr;
    TessdProcess* b_ = nullptr;
    MessageBoxes& boxes_;
    ServerBoxes serverBoxes_;
    TessnetLibrary tessnet_;
    SystemResolver resolver_;
    std::unique_ptr<ClientParts> client_;
};

}  // namespace tessan
