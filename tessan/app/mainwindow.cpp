#include "app/mainwindow.h"

#include "core/base/messageboxes.h"
#include "core/base/version.h"
#include "core/frame/noticepanel.h"
#include "core/frame/page.h"
#include "core/login/logindialog.h"
#include "core/login/loginstate.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferlistview.h"
#include "look/helpwindow.h"
#include "look/imagebutton.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tessan {

// Three blanks before the login status, as the window has always been titled.
const QString MainWindow::kInitialTitle =
    QStringLiteral("Tessan v" TESSAN_VERSION "   当前未登录状态");

MainWindow::MainWindow(ClientSession& session, LoginState& login, MessageBoxes& boxes,
                       HostResolver& resolver, TransferQueue& transfers,
                       LoginController::StartProgram startProgram, QWidget* parent)
    : QDialog(parent),
      session_(session),
      login_(login),
      boxes_(boxes),
      resolver_(resolver),
      startProgram_(startProgram ? std::move(startProgram) : [](const QString& path) {
          return QProcess::startDetached(path, {});
      }) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kInitialTitle);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    // The style's spacing, as between the buttons of every dialog: the page buttons are separate
    // controls, not one bar.
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const QString& text, const char* name) {
        QPushButton* b = AddButton(text, name);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* logIn = add(QStringLiteral("Tessan登陆"), "loginButton");
    QPushButton* received = add(QStringLiteral("收取文件"), "receivedFilesButton");
    QPushButton* send = add(QStringLiteral("发送文件"), "sendButton");
    QPushButton* view = add(QStringLiteral("查阅文件"), "viewFilesButton");
    QPushButton* addressBook = add(QStringLiteral("地 址 簿"), "addressBookButton");
    QPushButton* settings = add(QStringLiteral("系统设置"), "settingsButton");
    add(QStringLiteral("网络硬盘"), "netDiskButton")->setEnabled(false);
    QPushButton* help = add(QStringLiteral("Tessan帮助"), "helpButton");
    buttons->addStretch();
    loginButtons_ = {received, send, addressBook};
    connect(logIn, &QPushButton::clicked, this, &MainWindow::OpenLoginDialog);
    connect(received, &QPushButton::clicked, this, [this] { ShowPage(kReceivedFiles); });
    connect(send, &QPushButton::clicked, this, [this] { ShowPage(kSend); });
    connect(view, &QPushButton::clicked, this, [this] { ShowPage(kViewFiles); });
    connect(addressBook, &QPushButton::clicked, this, [this] { ShowPage(kAddressBook); });
    connect(settings, &QPushButton::clicked, this, [this] { ShowPage(kSettings); });
    connect(help, &QPushButton::clicked, this, [this] { ShowHelpWindow(this); });

    noticePanel_ = new NoticePanel(this);
    transferView_ = new TransferListView(transfers, this);
    pageArea_ = new QStackedWidget(this);
    pageArea_->setObjectName(QStringLiteral("pageArea"));

    connect(&session_, &ClientSession::noticeShown, this, &MainWindow::ShowNotice);
    connect(&session_, &ClientSession::noticesCleared, this, [this] {
        if (noticePanel_) noticePanel_->ClearNotices();
    });
    connect(&login_, &LoginState::ownLoginAccepted, this, &MainWindow::EnablePageButtons);
    connect(&login_, &LoginState::titleChanged, this, &QWidget::setWindowTitle);
    // After the notice, once the library's thread has been let go.
    connect(&login_, &LoginState::ownConnectionLost, this, &MainWindow::ReopenLogin,
            Qt::QueuedConnection);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(buttons);
    layout->addWidget(separator);
    layout->addWidget(pageArea_, 3);
    layout->addWidget(transferView_, 2);
    for (QPushButton* b : loginButtons_) b->setEnabled(false);
}

void MainWindow::SetPages(const Pages& pages) {
    pages_ = pages;
    for (int index = 0; index < kPageCount; ++index) pageArea_->insertWidget(index, pages_[index]);
    // The address book, settings and view-files pages hide the transfer list and have the page
    // area to themselves; the others stand above the list's six rows. The window is as high as the
    // taller of the two.
    int withList = 0;
    int alone = 0;
    for (const Page* page : pages_) {
        int& tallest = page->ShowsTransferList() ? withList : alone;
        tallest = std::max(tallest, page->minimumSizeHint().height());
    }
    pageArea_->setMinimumHeight(withList);
    const QSize least = minimumSizeHint();
    const int listHeight = transferView_->minimumSizeHint().height() + layout()->spacing();
    const int aloneHeight = least.height() - listHeight - withList + alone;
    // A fixed window, like the dialog it is: the notice panel hangs under it at its full width.
    setFixedSize(QSize(660, 460).expandedTo(least).expandedTo(QSize(0, aloneHeight)));

    // Start on the send page, then settings, address book and view files, which stays.
    for (const int page : {kSend, kSettings, kAddressBook, kViewFiles}) ShowPage(page);
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::AddButton(const QString& text, const char* name) {
    auto* button = new ImageButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

void MainWindow::ShowPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    currentPage_ = page;
    pageArea_->setCurrentWidget(pages_[page]);
    transferView_->setVisible(pages_[page]->ShowsTransferList());
    pages_[page]->Shown();
    if (page == kReceivedFiles) emit receivedInView();
}

bool MainWindow::ReceivedInView() const {
    return currentPage_ == kReceivedFiles && isActiveWindow() && !isMinimized();
}

void MainWindow::BringToFront(bool received) {
    showNormal();
    raise();
    activateWindow();
    if (received && loginButtons_[0]->isEnabled()) ShowPage(kReceivedFiles);
}

void MainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (std::exchange(shownBefore_, true)) emit shownAgain();
}

void MainWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !isMinimized()) emit shownAgain();
    } else if (event->type() == QEvent::ActivationChange && ReceivedInView()) {
        emit receivedInView();
    }
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
    auto* dialog = new LoginDialog(session_, login_, boxes_, resolver_, startProgram_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    loginDialog_ = dialog;
    emit loginDialogOpened(dialog);
    connect(dialog, &LoginDialog::upgradeAccepted, this, &QDialog::close, Qt::QueuedConnection);
    dialog->open();
}

void MainWindow::ReopenLogin() {
    OpenLoginDialog();
}

void MainWindow::done(int result) {
    // The close sequence: the login dialog and the pages go with the window; the notice panel is a
    // window of its own and would stay on the screen, so it goes first. The library ends after
    // the window (ClientApp).
    if (loginDialog_) loginDialog_->reject();
    delete std::exchange(noticePanel_, nullptr);
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
    boxes_.Show({QStringLiteral("Tessan " TESSAN_VERSION " 版\n文件交换客户端"),
                 QStringLiteral("关于 Tessan"), MessageBoxes::Icon::Information,
                 MessageBoxes::Buttons::Ok, MessageBoxes::Answer::Ok});
}

}  // namespace tessan
