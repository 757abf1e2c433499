// The client's only top-level window: the page buttons, the page area, the transfer list below it
// and the notice panel under the window. It is the wiring between the library, the notification
// dispatcher and the pages; the rules live in those.
#pragma once

#include "core/dispatcher.h"
#include "core/library.h"
#include "core/logincontroller.h"
#include "core/logindialog.h"
#include "core/messageboxes.h"
#include "core/transferlist.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>

class QPushButton;
class QStackedWidget;

namespace tessan {

class NoticePanel;
class TransferListView;
class ViewFilesPage;

class MainWindow final : public QDialog {
    Q_OBJECT
  public:
    enum Page { kReceivedFiles = 0, kSend = 1, kViewFiles = 2, kAddressBook = 3, kSettings = 4 };
    static constexpr int kPageCount = 5;
    static const QString kInitialTitle;

    // `library` and `boxes` must outlive the window. `startProgram` starts the updater; the
    // default starts it detached.
    MainWindow(QString appDir, MessageBoxes& boxes, Library& library,
               LoginController::StartProgram startProgram = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    void ShowPage(int page);
    int CurrentPage() const { return currentPage_; }
    // The main window's login button: opens the login dialog unless it is already open.
    void OpenLoginDialog();
    LoginDialog* OpenLogin() const;
    void ShowNotice(const QString& text, bool error = false);

    Dispatcher& Notifications() { return *dispatcher_; }
    TransferList& Transfers() { return *transfers_; }
    // While the window is open; the panel goes when it closes.
    NoticePanel& Notices() { return *noticePanel_; }
    TransferListView& TransferView() { return *transferView_; }

  public slots:
    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QPushButton* AddButton(const QString& text, const char* name);
    void ShowAbout();
    // The login command posted when the own connection is lost.
    void ReopenLogin();
    void EnablePageButtons();

    QString appDir_;
    MessageBoxes& boxes_;
    Library& library_;
    LoginController::StartProgram startProgram_;
    int currentPage_ = kViewFiles;
    bool libraryRunning_ = false;

    std::unique_ptr<TransferList> transfers_;
    std::unique_ptr<Dispatcher> dispatcher_;
    QStackedWidget* pageArea_ = nullptr;
    std::array<QWidget*, kPageCount> pages_{};
    ViewFilesPage* viewFiles_ = nullptr;
    TransferListView* transferView_ = nullptr;
    NoticePanel* noticePanel_ = nullptr;
    QPointer<LoginDialog> loginDialog_;
    // The buttons that wait for an accepted login: received files, send, address book.
    std::array<QPushButton*, 3> loginButtons_{};
};

}  // namespace tessan
