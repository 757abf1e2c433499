// Library over libtessnet.so: owns the host descriptor that stands in for the main window, turns
// the library's records into Notifications on the UI thread, writes the library's own log lines
// to the diagnostics (tessan.engine) and calls the C exports.
#pragma once

#include "core/base/serverboxes.h"
#include "core/library/library.h"

#include <tessnet/tessnet.h>

#include <QObject>

namespace tessan {

class TessnetLibrary final : public QObject, public Library {
    Q_OBJECT
  public:
    // The message number the library sends its notifications with.
    static constexpr int kHostMessage = 2048;

    // Create on the UI thread; that thread then makes every call. `boxes` shows the library's own
    // messages (a server's payment reminder among them) and must outlive this object.
    explicit TessnetLibrary(ServerBoxes& boxes, QObject* parent = nullptr);
    ~TessnetLibrary() override;

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

  private:
    static void Post(void* context, void (*fn)(void* arg), void* arg);
    static void WindowProc(void* context, int message, int type, const void* record);
    static void ShowLibraryBox(void* context, const char* text, const char* caption, int icon);
    static void LogLibraryLine(void* context, const char* line);

    ServerBoxes& boxes_;
    TessHost host_{};
    Sink sink_;
    bool running_ = false;
};

}  // namespace tessan
