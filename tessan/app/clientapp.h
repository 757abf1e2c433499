// ClientApp: the client put together, the one place where the services are made and the features
// meet. It creates, in the order of the members below, and destroys in reverse: the session, the
// library's connections, the own login, the transfer queue, the sending pipeline, the voice device,
// the account dialogs, the arrivals' switch, the main window and its pages, the tray and the
// watch for new arrivals. So every service outlives the pages that hold it, and the library stops
// only after the window and its pages are gone. Each page's constructor call names what that page
// may touch; the connections between features are made here and nowhere else.
#pragma once

#include "account/accountdialogs.h"
#include "app/mainwindow.h"
#include "core/base/serverboxes.h"
#include "core/library/connections.h"
#include "core/login/loginstate.h"
#include "core/session/arrivalswitch.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"
#include "messaging/sendingpipeline.h"
#include "messaging/voicedevice.h"

#include <memory>

namespace tessan {

class AddressBookPage;
class ArrivalWatch;
class HostResolver;
class ReceivedFilesPage;
class SendPage;
class SettingsPage;
class TrayNotifier;

class ClientApp final {
  public:
    struct Setup {
        QString appDir;
        Library& library;  // the program's TessnetLibrary, a test's fake; outlives the app
        MessageBoxes& boxes;
        // The boxes servers cause, shared with the library's own; null: the app's own over
        // `boxes`. Outlives the app.
        ServerBoxes* serverBoxes = nullptr;
        // Empty: the session's defaults under appDir.
        QString downloadFolder = {};
        QString updater = {};
        HostResolver* resolver = nullptr;      // null: the system's; else outlives the app
        std::unique_ptr<VoiceDevice> voice{};  // null: the sound card's
        LoginController::StartProgram startProgram = {};
        TransferLogs::Clock clock = {};
    };

    explicit ClientApp(Setup setup);
    ~ClientApp();
    ClientApp(const ClientApp&) = delete;
    ClientApp& operator=(const ClientApp&) = delete;

    MainWindow& Window() { return *window_; }
    ClientSession& Session() { return session_; }
    LoginState& Login() { return login_; }
    TransferQueue& Transfers() { return transfers_; }
    AccountDialogs& Accounts() { return accounts_; }
    ReceivedFilesPage& ReceivedFiles() { return *receivedFiles_; }
    SendPage& Send() { return *send_; }
    AddressBookPage& AddressBook() { return *addressBook_; }
    SettingsPage& Settings() { return *settings_; }
    TrayNotifier& Tray() { return *tray_; }

  private:
    void MakePages();
    void ConnectFeatures();
    // The background check for new arrivals and its tray icon, on the window and the received
    // files.
    void WatchArrivals();

    Library& library_;
    MessageBoxes& boxes_;
    std::unique_ptr<ServerBoxes> ownServerBoxes_;
    ServerBoxes& serverBoxes_;
    ClientSession session_;
    std::unique_ptr<HostResolver> systemResolver_;
    HostResolver& resolver_;
    Connections connections_;
    LoginState login_;
    TransferQueue transfers_;
    SendingPipeline pipeline_;
    std::unique_ptr<VoiceDevice> voice_;
    AccountDialogs accounts_;
    ArrivalSwitch arrivalSwitch_;
    std::unique_ptr<MainWindow> window_;
    ReceivedFilesPage* receivedFiles_ = nullptr;
    SendPage* send_ = nullptr;
    AddressBookPage* addressBook_ = nullptr;
    SettingsPage* settings_ = nullptr;
    std::unique_ptr<TrayNotifier> tray_;
    std::unique_ptr<ArrivalWatch> arrivals_;
};

}  // namespace tessan
