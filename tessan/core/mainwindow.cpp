#include "core/mainwindow.h"

#include "core/globals.h"
#include "core/help.h"
#include "core/localfiles.h"
#include "core/logindialog.h"
#include "core/noticepanel.h"
#include "core/pages.h"
#include "core/transferlistview.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace tessan {

// Three blanks before the login status.
const QString MainWindow::kInitialTitle = QStringLiteral("Tessan v1.32   当前未登录状态");

MainWindow::MainWindow(QString appDir, MessageBoxes& boxes, Library& library,
                       LoginController::StartProgram startProgram, QWidget* parent)
    : QDialog(parent),
      appDir_(std::move(appDir)),
      boxes_(boxes),
      library_(library),
      startProgram_(startProgram ? std::move(startProgram) : [](const QString& path) {
          return QProcess::startDetached(path, {});
      }) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kInitialTitle);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    const auto add = [&](const QString& text, const char* name) {
        QPushButton* b = AddButton(text, name);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* login = add(QStringLiteral("Tessan登陆"), "loginButton");
    QPushButton* received = add(QStringLiteral("收取文件"), "receivedFilesButton");
    QPushButton* send = add(QStringLiteral("发送文件"), "sendButton");
    QPushButton* view = add(QStringLiteral("查阅文件"), "viewFilesButton");
    QPushButton* addressBook = add(QStringLiteral("地 址 簿"), "addressBookButton");
    QPushButton* settings = add(QStringLiteral("系统设置"), "settingsButton");
    add(QStringLiteral("网络硬盘"), "netDiskButton")->setEnabled(false);
    QPushButton* help = add(QStringLiteral("Tessan帮助"), "helpButton");
    buttons->addStretch();
    loginButtons_ = {received, send, addressBook};
    connect(login, &QPushButton::clicked, this, &MainWindow::OpenLoginDialog);
    connect(received, &QPushButton::clicked, this, [this] { ShowPage(kReceivedFiles); });
    connect(send, &QPushButton::clicked, this, [this] { ShowPage(kSend); });
    connect(view, &QPushButton::clicked, this, [this] { ShowPage(kViewFiles); });
    connect(addressBook, &QPushButton::clicked, this, [this] { ShowPage(kAddressBook); });
    connect(settings, &QPushButton::clicked, this, [this] { ShowPage(kSettings); });
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(appDir_); });

    noticePanel_ = new NoticePanel(this);
    transfers_ = std::make_unique<TransferList>(
        library_, appDir_, [this](const QString& text, bool error) { ShowNotice(text, error); });
    transferView_ = new TransferListView(*transfers_, this);

    Dispatcher::Hooks hooks;
    hooks.showNotice = [this](const QString& text, bool error) { ShowNotice(text, error); };
    hooks.clearNotices = [this] {
        if (noticePanel_) noticePanel_->ClearText();
    };
    hooks.enablePageButtons = [this] { EnablePageButtons(); };
    hooks.setTitle = [this](const QString& title) { setWindowTitle(title); };
    hooks.showPage = [this](int page) { ShowPage(page); };
    // After the notice and once the library's thread has been let go.
    hooks.postLoginCommand = [this] {
        QMetaObject::invokeMethod(this, &MainWindow::ReopenLogin, Qt::QueuedConnection);
    };
    dispatcher_ = std::make_unique<Dispatcher>(std::move(hooks), boxes_);
    dispatcher_->Route(note::kProgress, [this](const Notification& n) {
        if (const Progress* p = n.progress()) transfers_->HandleProgress(*p);
    });
    dispatcher_->JoinResetAfterLoginDialog([this] { transfers_->Clear(); });

    libraryRunning_ = true;
    library_.Init(LocalPath(appDir_, u"tessan"),
                  [this](const Notification& n) { dispatcher_->DispatchNotification(n); });

    pageArea_ = new QStackedWidget(this);
    pageArea_->setObjectName(QStringLiteral("pageArea"));
    pages_[kReceivedFiles] =
        new TitledPage(QStringLiteral("收取文件"), QStringLiteral("receivedFilesPage"));
    pages_[kSend] = new TitledPage(QStringLiteral("发送文件"), QStringLiteral("sendPage"));
    viewFiles_ = new ViewFilesPage(LocalPath(appDir_, u"tessan"));
    pages_[kViewFiles] = viewFiles_;
    pages_[kAddressBook] =
        new TitledPage(QStringLiteral("地址簿"), QStringLiteral("addressBookPage"));
    pages_[kSettings] = new TitledPage(QStringLiteral("系统设置"), QStringLiteral("settingsPage"));
    for (QWidget* page : pages_) pageArea_->addWidget(page);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(buttons);
    layout->addWidget(separator);
    layout->addWidget(pageArea_, 3);
    layout->addWidget(transferView_, 2);
    // A fixed window, like the dialog it is: the notice panel hangs under it at its full width.
    setFixedSize(QSize(660, 460).expandedTo(minimumSizeHint()));

    // Start on the send page, then settings, address book and view files, which stays.
    for (const int page : {kSend, kSettings, kAddressBook, kViewFiles}) ShowPage(page);
    for (QPushButton* b : loginButtons_) b->setEnabled(false);

    // The last step of the set-up.
    ReadParameterFile(appDir_, ParameterByte);
}

MainWindow::~MainWindow() {
    if (libraryRunning_) library_.Free();
    // The dispatcher's hooks point into this window: nothing may arrive from here on.
}

QPushButton* MainWindow::AddButton(const QString& text, const char* name) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

void MainWindow::ShowPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    currentPage_ = page;
    pageArea_->setCurrentIndex(page);
    // Pages 2 to 4 use the transfer list's room.
    transferView_->setVisible(page == kReceivedFiles || page == kSend);
    if (page == kViewFiles) viewFiles_->Refresh();
}

LoginDialog* MainWindow::OpenLogin() const {
    return loginDialog_;
}

void MainWindow::EnablePageButtons() {
    for (QPushButton* b : loginButtons_) b->setEnabled(true);
}

void MainWindow::ShowNotice(const QString& text, bool error) {
    if (noticePanel_) noticePanel_->ShowNotice(text, error);
}

void MainWindow::OpenLoginDialog() {
    if (loginDialog_) return;
    auto* dialog = new LoginDialog(library_, boxes_, appDir_, startProgram_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    loginDialog_ = dialog;
    dispatcher_->SetLoginDialog([guard = QPointer<LoginDialog>(dialog)](const Reply& reply) {
        if (guard) guard->OnLoginReply(reply);
    });
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (loginDialog_ == dialog) {
            loginDialog_.clear();
            dispatcher_->SetLoginDialog({});
        }
    });
    connect(dialog, &LoginDialog::upgradeAccepted, this, &QDialog::close, Qt::QueuedConnection);
    dialog->open();
}

void MainWindow::ReopenLogin() {
    // A login still waiting for its verdict will get none on the lost connection: its dialog lets
    // the user try again instead of keeping "登录" disabled.
    if (loginDialog_) loginDialog_->ConnectionLost();
    OpenLoginDialog();
}

void MainWindow::done(int result) {
    // The close sequence: the login dialog and the pages go with the window; the notice panel is a
    // window of its own and would stay on the screen, so it goes first; the library ends last.
    if (loginDialog_) loginDialog_->reject();
    delete std::exchange(noticePanel_, nullptr);
    if (libraryRunning_) {
        libraryRunning_ = false;
        library_.Free();
    }
    QDialog::done(result);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape would close the whole program, as for any dialog; this one stays.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (noticePanel_) noticePanel_->HostMoved();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    // The window manager's menu is not ours to extend: "about" lives in the window's own menu.
    QMenu menu(this);
    menu.addAction(QStringLiteral("关于 tessan(&A)..."), this, &MainWindow::ShowAbout);
    menu.exec(event->globalPos());
}

void MainWindow::ShowAbout() {
    boxes_.Show({QStringLiteral("Tessan 1.32 版\n文件交换客户端"), QStringLiteral("关于 Tessan"),
                 MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
                 MessageBoxes::Answer::Ok});
}

}  // namespace tessan
