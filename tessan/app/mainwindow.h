// The client's only top-level window: the page buttons, the page area, the transfer list below it
// and the notice panel under the window. It builds the widgets and wires them to the session; the
// rules live in the session, the notifications, the transfer queue and the pages.
#pragma once

#include "core/login/logincontroller.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>

class QPushButton;
class QStackedWidget;

namespace tessan {

class AddressBookPage;
class ClientSession;
class LoginDialog;
class NoticePanel;
class Page;
class ReceivedFilesPage;
class SendingPipeline;
class SendPage;
class SettingsPage;
class TransferListView;
class VoiceDevice;

class MainWindow final : public QDialog {
    Q_OBJECT
  public:
    enum PageIndex {
        kReceivedFiles = 0,
        kSend = 1,
        kViewFiles = 2,
        kAddressBook = 3,
        kSettings = 4
    };
    static constexpr int kPageCount = 5;
    static const QString kInitialTitle;

    // The session must outlive the window. `startProgram` starts the updater; the default starts
    // it detached.
    explicit MainWindow(ClientSession& session, LoginController::StartProgram startProgram = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    void ShowPage(int page);
    int CurrentPage() const { return currentPage_; }
    // The main window's login button: opens the login dialog unless it is already open.
    void OpenLoginDialog();
    LoginDialog* OpenLogin() const;

    // While the window is open; the panel goes when it closes.
    NoticePanel& Notices() { return *noticePanel_; }
    TransferListView& TransferView() { return *transferView_; }

    ReceivedFilesPage& ReceivedFiles() { return *receivedFiles_; }
    SendPage& Send() { return *send_; }
    AddressBookPage& AddressBook() { return *addressBook_; }
    SettingsPage& Settings() { return *settings_; }

  public slots:
    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QPushButton* AddButton(const QString& text, const char* name);
    // Puts `page` at `index` of the page area.
    template <typename P>
    P* AddPage(PageIndex index, P* page);
    void ShowAbout();
    void ShowNotice(const QString& text, bool error);
    // The login command posted when the own connection is lost.
    void ReopenLogin();
    void EnablePageButtons();

    ClientSession& session_;
    LoginController::StartProgram startProgram_;
    int currentPage_ = kViewFiles;
    std::unique_ptr<SendingPipeline> pipeline_;
    std::unique_ptr<VoiceDevice> voiceDevice_;

    QStackedWidget* pageArea_ = nullptr;
    std::array<Page*, kPageCount> pages_{};
    ReceivedFilesPage* receivedFiles_ = nullptr;
    SendPage* send_ = nullptr;
    AddressBookPage* addressBook_ = nullptr;
    SettingsPage* settings_ = nullptr;
    TransferListView* transferView_ = nullptr;
    NoticePanel* noticePanel_ = nullptr;
    QPointer<LoginDialog> loginDialog_;
    // The buttons that wait for an accepted login: received files, send, address book.
    std::array<QPushButton*, 3> loginButtons_{};
};

}  // namespace tessan
