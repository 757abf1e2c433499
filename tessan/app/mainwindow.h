// The client's only top-level window: the page buttons, the page area, the transfer list below it
// and the notice panel under the window, and the login dialog it opens. It builds these widgets and
// switches pages; the pages themselves, and what they may touch, come from the composition root
// (ClientApp).
#pragma once

#include "core/login/logincontroller.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>

class QPushButton;
class QStackedWidget;

namespace tessan {

class ClientSession;
class HostResolver;
class LoginDialog;
class LoginState;
class MessageBoxes;
class NoticePanel;
class Page;
class TransferListView;
class TransferQueue;

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

    using Pages = std::array<Page*, kPageCount>;

    // Everything must outlive the window. `startProgram` starts the updater; the default starts
    // it detached.
    MainWindow(ClientSession& session, LoginState& login, MessageBoxes& boxes,
               HostResolver& resolver, TransferQueue& transfers,
               LoginController::StartProgram startProgram = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Takes the pages, in PageIndex order, and sizes the window for them.
    void SetPages(const Pages& pages);

    void ShowPage(int page);
    int CurrentPage() const { return currentPage_; }
    // The main window's login button: opens the login dialog unless it is already open.
    void OpenLoginDialog();
    LoginDialog* OpenLogin() const;
    // Whether the received-files page is in front of the user now.
    bool ReceivedInView() const;
    // Brings the window back to the front; on "收取文件" as well when `received` and the button is
    // open to the user.
    void BringToFront(bool received);

    // While the window is open; the panel goes when it closes.
    NoticePanel& Notices() { return *noticePanel_; }
    TransferListView& TransferView() { return *transferView_; }

  signals:
    // A login dialog was opened (the account dialogs join it).
    void loginDialogOpened(tessan::LoginDialog* dialog);
    // The window came back after it was hidden or minimised.
    void shownAgain();
    // The received-files page came in front of the user: shown, or its window activated.
    void receivedInView();

  public slots:
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QPushButton* AddButton(const QString& text, const char* name);
    void ShowAbout();
    void ShowNotice(const QString& text, bool error);
    // The login command posted when the own connection is lost.
    void ReopenLogin();
    void EnablePageButtons();

    ClientSession& session_;
    LoginState& login_;
    MessageBoxes& boxes_;
    HostResolver& resolver_;
    LoginController::StartProgram startProgram_;
    int currentPage_ = kViewFiles;
    bool shownBefore_ = false;

    QStackedWidget* pageArea_ = nullptr;
    Pages pages_{};
    TransferListView* transferView_ = nullptr;
    NoticePanel* noticePanel_ = nullptr;
    QPointer<LoginDialog> loginDialog_;
    // The buttons that wait for an accepted login: received files, send, address book.
    std::array<QPushButton*, 3> loginButtons_{};
};

}  // namespace tessan
