#include "app/clientapp.h"

#include "account/addressbook/addressbookpage.h"
#include "account/settings/settingspage.h"
#include "core/base/messageboxes.h"
#include "core/base/timer.h"
#include "core/frame/viewfilespage.h"
#include "core/login/logindialog.h"
#include "core/login/serverlookup.h"
#include "messaging/arrivals/arrivalwatch.h"
#include "messaging/arrivals/traynotifier.h"
#include "messaging/qtvoicedevice.h"
#include "messaging/received/receivedfilespage.h"
#include "messaging/received/replydialogs.h"
#include "messaging/sendpage/sendpage.h"

namespace tessan {

namespace {

std::unique_ptr<HostResolver> SystemResolverUnless(HostResolver* given) {
    return given ? nullptr : std::make_unique<SystemResolver>();
}

std::unique_ptr<ServerBoxes> ServerBoxesUnless(ServerBoxes* given, MessageBoxes& boxes) {
    return given ? nullptr : std::make_unique<ServerBoxes>(boxes);
}

}  // namespace

ClientApp::ClientApp(Setup setup)
    : library_(setup.library),
      boxes_(setup.boxes),
      ownServerBoxes_(ServerBoxesUnless(setup.serverBoxes, boxes_)),
      serverBoxes_(setup.serverBoxes ? *setup.serverBoxes : *ownServerBoxes_),
      session_(setup.appDir),
      systemResolver_(SystemResolverUnless(setup.resolver)),
      resolver_(setup.resolver ? *setup.resolver : *systemResolver_),
      connections_(library_),
      login_(session_, connections_, serverBoxes_),
      transfers_(session_, connections_, serverBoxes_, resolver_, login_.Notifications(),
                 std::move(setup.clock)),
      pipeline_(session_, transfers_),
      voice_(setup.voice ? std::move(setup.voice) : std::make_unique<QtVoiceDevice>()),
      accounts_(session_, connections_, login_, boxes_, serverBoxes_, resolver_),
      arrivalSwitch_(session_.AppDir()),
      window_(std::make_unique<MainWindow>(session_, login_, boxes_, resolver_, transfers_,
                                           std::move(setup.startProgram))) {
    if (!setup.downloadFolder.isEmpty()) session_.SetDownloadFolder(setup.downloadFolder);
    if (!setup.updater.isEmpty()) session_.SetUpdater(setup.updater);
    if (!connections_.Start(session_.DownloadFolder()))
        boxes_.Tell(QStringLiteral("传输模块启动失败，不能连接服务器!"), MessageBoxes::Icon::Error);
    MakePages();
    ConnectFeatures();
    WatchArrivals();
    session_.ReadParameterFile();
}

ClientApp::~ClientApp() {
    // The watch asks through the received-files page, which goes with the window.
    arrivals_.reset();
    tray_.reset();
    window_.reset();
    connections_.Stop();
}

void ClientApp::MakePages() {
    MainWindow& window = *window_;
    receivedFiles_ = new ReceivedFilesPage(
        session_, login_, library_, boxes_, transfers_, [&window] { window.OpenLoginDialog(); },
        ReplyDialogs(session_.AppDir(), boxes_, *voice_, pipeline_.Immediately()), &window);
    send_ = new SendPage(session_, boxes_, SendPage::Through(pipeline_, *voice_), {}, &window);
    addressBook_ = new tessan::AddressBookPage(session_, login_, library_, boxes_, &window);
    settings_ = new SettingsPage(
        session_, library_, boxes_,
        [this](const UserProfile& own, const QDateTime& now) {
            return send_->SendKeyChangeNotice(own, now);
        },
        arrivalSwitch_, &window);
    window.SetPages(
        {receivedFiles_, send_, new ViewFilesPage(session_, &window), addressBook_, settings_});
}

void ClientApp::ConnectFeatures() {
    // The send page's friend list follows the address book.
    tessan::AddressBook& book = addressBook_->Book();
    FriendList& friends = send_->Friends();
    QObject::connect(&book, &AddressBook::friendAddedOrUpdated, &friends,
                     &FriendList::AddOrUpdateFriend);
    QObject::connect(&book, &AddressBook::friendRemoved, &friends, &FriendList::RemoveFriend);
    QObject::connect(&book, &AddressBook::friendKeyChanged, &friends, &FriendList::SetFriendKey);
    QObject::connect(&book, &AddressBook::friendsCleared, &friends, &FriendList::ClearFriends);
    // A newly registered account's entry goes into the address book.
    QObject::connect(&accounts_, &AccountDialogs::accountRegistered, &book,
                     &AddressBook::AddOrUpdateEntry);
    // A new login empties the transfer list after the login dialog has its verdict; a lost one
    // ends the uploads to the own space it carried.
    QObject::connect(&login_, &LoginState::loginResetAfterDialog, &transfers_,
                     &TransferQueue::Clear);
    QObject::connect(&login_, &LoginState::ownConnectionLost, &transfers_,
                     &TransferQueue::OwnConnectionGone);
    // Every login dialog opens registration and recharge.
    QObject::connect(window_.get(), &MainWindow::loginDialogOpened, &accounts_,
                     [this](LoginDialog* dialog) { accounts_.Attach(*dialog); });
    // The library ends with the window.
    QObject::connect(window_.get(), &QDialog::finished, window_.get(),
                     [this] { connections_.Stop(); });
}

void ClientApp::WatchArrivals() {
    MainWindow* window = window_.get();
    tray_ = std::make_unique<TrayNotifier>();
    arrivals_ = std::make_unique<ArrivalWatch>(login_, receivedFiles_->Rules(), arrivalSwitch_,
                                               *tray_, QtTimers(window),
                                               [window] { return window->ReceivedInView(); });
    QObject::connect(window, &MainWindow::shownAgain, arrivals_.get(), &ArrivalWatch::WindowShown);
    QObject::connect(window, &MainWindow::receivedInView, arrivals_.get(),
                     &ArrivalWatch::ReceivedShown);
    QObject::connect(tray_.get(), &TrayNotifier::openRequested, window,
                     [window] { window->BringToFront(false); });
    QObject::connect(tray_.get(), &TrayNotifier::announcementClicked, window,
                     [window] { window->BringToFront(true); });
    QObject::connect(tray_.get(), &TrayNotifier::quitRequested, window, &QWidget::close);
}

}  // namespace tessan
