#include "account/registration/registrationwizard.h"
#include "app/clientapp.h"
#include "core/base/gbk.h"
#include "core/frame/noticepanel.h"
#include "core/login/logindialog.h"
#include "core/transfers/transferlistview.h"
#include "messaging/arrivals/traynotifier.h"
#include "testsupport/fakelibrary.h"
#include "testsupport/fakeresolver.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace tessan {

// The whole client with a fake library: what the user sees and can do around the login.
class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void startsLoggedOutOnTheViewFilesPage();
    void pageButtonsWorkOnlyAfterAnAcceptedLogin();
    void loginDialogMessagesAndASecondOpenDoesNothing();
    void upgradeClosesEverythingAndStartsTheUpdater();
    void pagesTwoToFourHideTheTransferListWithItsRowsKept();
    void deleteRemovesOnlyWaitingUploads();
    void lostConnectionReopensTheLoginAfterTheNotice();
    void noticePanelSlidesOutUnderTheWindowAndFollowsIt();
    void everyInputHasAnAccessibleName();
    void closingEndsTheLibrary();
    void closingTakesTheShownNoticePanelAlong();
    void windowHasAFixedSize();
    void aConnectionThatFailsWhileTheLoginWaitsLetsTheUserTryAgain();
    void enterInTheLoginFieldsLogsIn();
    void noticePanelShowsItsLastLine();
    void aWindowBackFromMinimisedLooksForNewFilesSilently();

  private:
    QPushButton* Button(const char* name) const {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    LoginDialog* OpenLoginDialog() {
        Button("loginButton")->click();
        return window->OpenLogin();
    }
    void Verdict(std::uint8_t status, const char* text) {
        library.Deliver(MakeReply(note::kLogin, status, session->CurrentAccount().Bytes(),
                                  QStringToGbk(QString::fromUtf8(text))));
    }
    int AddUpload(const char* file, const char* to = "0086-10-2") {
        auto item = std::make_unique<TransferItem>(TransferItem::Direction::Upload);
        item->SetRaw(TransferItem::Field::PeerNumber, to);
        item->SetRaw(TransferItem::Field::AccountNumber, to);
        item->SetRaw(TransferItem::Field::ServerAddress, "127.0.0.1");
        item->SetRaw(TransferItem::Field::RemoteName, file);
        return app->Transfers().AppendUpload(std::move(item), 10);
    }
    // The own login accepted, as after the login dialog.
    void LogIn(const char* number) {
        session->SetCurrentLogin(QString::fromLatin1(number), u"k"_qs);
        app->Login().Connect("127.0.0.1", 8800);
        Verdict(1, "ok");
    }

    std::unique_ptr<QTemporaryDir> dir;
    FakeLibrary library;
    ScriptedMessageBoxes boxes;
    FakeResolver resolver;
    QStringList started;
    std::unique_ptr<ClientApp> app;
    ClientSession* session = nullptr;
    MainWindow* window = nullptr;
};

void MainWindowTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    library = FakeLibrary();
    boxes.Reset();
    started.clear();
    app = std::make_unique<ClientApp>(ClientApp::Setup{
        .appDir = dir->path(),
        .library = library,
        .boxes = boxes,
        .resolver = &resolver,
        .startProgram =
            [this](const QString& p) {
                started.append(p);
                return true;
            },
    });
    session = &app->Session();
    window = &app->Window();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void MainWindowTest::cleanup() {
    app.reset();
}

void MainWindowTest::startsLoggedOutOnTheViewFilesPage() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Tessan v1.32   当前未登录状态"));
    QCOMPARE(library.calls,
             QStringList{QStringLiteral("InitFtpDll ") + dir->path() + u"/download"_qs});
    QCOMPARE(window->CurrentPage(), int(MainWindow::kViewFiles));
    QVERIFY(!window->TransferView().isVisible());
    for (const char* name :
         {"receivedFilesButton", "sendButton", "addressBookButton", "netDiskButton"})
        QVERIFY2(!Button(name)->isEnabled(), name);
    for (const char* name : {"loginButton", "viewFilesButton", "settingsButton", "helpButton"})
        QVERIFY2(Button(name)->isEnabled(), name);
    QVERIFY(boxes.Shown().empty());
}

void MainWindowTest::pageButtonsWorkOnlyAfterAnAcceptedLogin() {
    LoginDialog* dialog = OpenLoginDialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    dialog->findChild<QComboBox*>(u"numberBox"_qs)->setEditText(u"0086-10-1234567"_qs);
    dialog->findChild<QLineEdit*>(u"keyBox"_qs)->setText(u"zhang123"_qs);
    dialog->findChild<QCheckBox*>(u"rememberKey"_qs)->setChecked(true);
    auto* login = dialog->findChild<QPushButton*>(u"loginButton"_qs);
    login->click();
    QCOMPARE(library.calls.last(), u"ConnectServer 127.0.0.1 8800 0086-10-1234567 zhang123"_qs);
    QVERIFY(!login->isEnabled());

    Verdict(0, "私钥错误");
    QCOMPARE(boxes.Texts(), QStringList{u"私钥错误"_qs});
    QVERIFY(login->isEnabled());
    QVERIFY(dialog->isVisible());
    QVERIFY(!Button("sendButton")->isEnabled());
    QCOMPARE(window->Notices().Text(), u"\r\n私钥错误"_qs);

    login->click();
    AddUpload("left-over.txt");
    Verdict(1, "登录成功");
    QVERIFY(!dialog->isVisible());
    QCOMPARE(window->Notices().Text(), u"\r\n登录成功"_qs);  // emptied first
    QCOMPARE(app->Transfers().RowCount(), 0);
    QVERIFY(QFile::exists(dir->filePath(u"remember.ini"_qs)));
    for (const char* name : {"receivedFilesButton", "sendButton", "addressBookButton"})
        QVERIFY2(Button(name)->isEnabled(), name);
    QVERIFY(!Button("netDiskButton")->isEnabled());
    QTRY_VERIFY(!window->OpenLogin());  // gone with its window
    Button("sendButton")->click();
    QCOMPARE(window->CurrentPage(), int(MainWindow::kSend));
}

void MainWindowTest::loginDialogMessagesAndASecondOpenDoesNothing() {
    LoginDialog* dialog = OpenLoginDialog();
    QCOMPARE(OpenLoginDialog(), dialog);
    auto* login = dialog->findChild<QPushButton*>(u"loginButton"_qs);
    login->click();
    QCOMPARE(boxes.Texts(), QStringList{u"请输入登录Tessan号码!"_qs});
    dialog->findChild<QComboBox*>(u"numberBox"_qs)->setEditText(u"12345"_qs);
    dialog->findChild<QLineEdit*>(u"keyBox"_qs)->setText(u"k"_qs);
    login->click();
    QCOMPARE(boxes.Texts().last(), u"无效格式的Tessan号码!参考格式:0086-512-1234567!"_qs);
    // "注册" runs the registration wizard over it; cancelled, it leaves the dialog as it was.
    bool wizardRan = false;
    connect(&app->Accounts(), &AccountDialogs::wizardOpened, this,
            [&wizardRan](RegistrationWizard* wizard) {
                wizardRan = true;
                QTimer::singleShot(0, wizard, &QWizard::reject);
            });
    dialog->findChild<QPushButton*>(u"registerButton"_qs)->click();
    QVERIFY(wizardRan);
    QCOMPARE(boxes.Shown().size(), 2u);
    QVERIFY(dialog->isVisible());
    QPointer<LoginDialog> closed(dialog);
    dialog->findChild<QPushButton*>(u"cancelButton"_qs)->click();
    QTRY_VERIFY(!window->OpenLogin());
    QTRY_VERIFY(!closed);  // gone, and with it its subscriptions
    Verdict(0, "私钥错误");
    QCOMPARE(boxes.Shown().size(), 2u);  // no dialog heard it
    QVERIFY(OpenLoginDialog());          // a new one
}

void MainWindowTest::upgradeClosesEverythingAndStartsTheUpdater() {
    LoginDialog* dialog = OpenLoginDialog();
    dialog->findChild<QComboBox*>(u"numberBox"_qs)->setEditText(u"0086-10-1"_qs);
    dialog->findChild<QLineEdit*>(u"keyBox"_qs)->setText(u"k"_qs);
    dialog->findChild<QPushButton*>(u"loginButton"_qs)->click();
    boxes.Script({MessageBoxes::Answer::Yes});
    Verdict(0, "-1025新版本1.40");
    QCOMPARE(boxes.Shown().back().text, u"新版本1.40\r\n\tTessan系统现在将进行升级!"_qs);
    QCOMPARE(started, QStringList{dir->path() + u"/Renovator"_qs});
    QTRY_VERIFY(!window->isVisible());
    QTRY_VERIFY(!window->OpenLogin());
    QCOMPARE(library.calls.last(), u"FreeFtpDll"_qs);
}

void MainWindowTest::pagesTwoToFourHideTheTransferListWithItsRowsKept() {
    AddUpload("a.txt");
    AddUpload("b.txt");
    window->ShowPage(MainWindow::kReceivedFiles);
    QVERIFY(window->TransferView().isVisible());
    for (const int page : {2, 3, 4}) {
        window->ShowPage(page);
        QVERIFY(!window->TransferView().isVisible());
        QCOMPARE(window->findChild<QStackedWidget*>(u"pageArea"_qs)->currentIndex(), page);
    }
    Button("settingsButton")->click();
    QCOMPARE(window->CurrentPage(), int(MainWindow::kSettings));
    window->ShowPage(MainWindow::kSend);
    QVERIFY(window->TransferView().isVisible());
    QCOMPARE(window->TransferView().model()->rowCount(), 2);
    QCOMPARE(window->TransferView().model()->index(1, 0).data().toString(), u"b.txt"_qs);
    QCOMPARE(window->TransferView()
                 .model()
                 ->headerData(TransferTable::kSentTo, Qt::Horizontal)
                 .toString(),
             u"发送给"_qs);
}

void MainWindowTest::deleteRemovesOnlyWaitingUploads() {
    window->ShowPage(MainWindow::kSend);
    AddUpload("a.txt");
    AddUpload("b.txt");
    app->Transfers().StartNextUpload(TransferQueue::Refusal::Short);
    app->Transfers().HandleProgress(*MakeProgress(0, "a.txt", "0086-10-2", 40).progress());
    TransferListView& view = window->TransferView();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Delete);  // nothing selected
    QCOMPARE(app->Transfers().RowCount(), 2);
    view.selectRow(0);
    QTest::keyClick(&view, Qt::Key_Delete);
    QCOMPARE(app->Transfers().RowCount(), 2);  // running
    view.selectRow(1);
    QTest::keyClick(&view, Qt::Key_Delete);
    QCOMPARE(app->Transfers().RowCount(), 1);

    // Completing the selected upload takes the selection with it.
    view.selectRow(0);
    app->Transfers().HandleProgress(*MakeProgress(0, "a.txt", "0086-10-2", 100).progress());
    QCOMPARE(app->Transfers().RowCount(), 0);
    QCOMPARE(view.SelectedRow(), -1);
    QTest::keyClick(&view, Qt::Key_Delete);
}

void MainWindowTest::lostConnectionReopensTheLoginAfterTheNotice() {
    LogIn("0086-10-1");
    // An upload into the own space rides on the own connection and goes with it; a friend's stays.
    AddUpload("own.txt", "0086-10-1");
    AddUpload("a.txt");
    app->Transfers().StartNextUpload(TransferQueue::Refusal::Short);
    library.Deliver(MakeReply(29, 1, "0086-10-1", "x"));
    QVERIFY(window->Notices().Text().endsWith(u"无法识别的消息类型:29\r\n"_qs));
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-9"));
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-1"));
    QVERIFY(window->Notices().Text().endsWith(u"\r\n断开与服务器的连接，请重新登录!"_qs));
    QCOMPARE(app->Transfers().RowCount(), 1);
    QCOMPARE(app->Transfers().Item(0)->Raw(TransferItem::Field::AccountNumber), "0086-10-2");
    QVERIFY(!window->OpenLogin());  // posted: after the notification
    QTRY_VERIFY(window->OpenLogin());
}

void MainWindowTest::noticePanelSlidesOutUnderTheWindowAndFollowsIt() {
    NoticePanel& panel = window->Notices();
    session->ShowNotice(u"一"_qs);
    QVERIFY(!panel.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(panel.height(), int(NoticePanel::kFullHeight), 3000);
    QVERIFY(panel.isVisible());
    QCOMPARE(panel.width(), window->frameGeometry().width());
    QCOMPARE(panel.y(), window->frameGeometry().bottom() + 1);
    QCOMPARE(panel.TextBox()->toPlainText(), u"\n一"_qs);

    window->move(window->pos() + QPoint(40, 30));
    QTRY_COMPARE(panel.pos(),
                 QPoint(window->frameGeometry().left(), window->frameGeometry().bottom() + 1));
}

void MainWindowTest::everyInputHasAnAccessibleName() {
    LoginDialog* dialog = OpenLoginDialog();
    for (QWidget* root : {static_cast<QWidget*>(window), static_cast<QWidget*>(dialog)}) {
        for (QWidget* w : root->findChildren<QWidget*>()) {
            if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
                !qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QPlainTextEdit*>(w))
                continue;
            // A drop-down's own edit and list, and a list's headers, are named through their owner.
            bool owned = false;
            for (QObject* up = w->parent(); up; up = up->parent())
                owned =
                    owned || qobject_cast<QComboBox*>(up) || qobject_cast<QAbstractItemView*>(up);
            if (owned) continue;
            QVERIFY2(!w->accessibleName().isEmpty(),
                     qPrintable(w->objectName() + QLatin1Char(' ') +
                                QString::fromLatin1(w->metaObject()->className())));
        }
    }
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->text().isEmpty()) QVERIFY(label->buddy());
}

void MainWindowTest::closingEndsTheLibrary() {
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(window->isVisible());
    window->close();
    QVERIFY(!window->isVisible());
    QCOMPARE(library.calls.last(), u"FreeFtpDll"_qs);
    QCOMPARE(library.calls.count(u"FreeFtpDll"_qs), 1);
    app.reset();
    QCOMPARE(library.calls.count(u"FreeFtpDll"_qs), 1);
}

void MainWindowTest::closingTakesTheShownNoticePanelAlong() {
    NoticePanel* panel = &window->Notices();
    QPointer<NoticePanel> guard(panel);
    session->ShowNotice(u"一"_qs);
    QTRY_VERIFY(panel->isVisible());
    window->close();
    QVERIFY(!guard || !guard->isVisible());
    QCOMPARE(library.calls.last(), u"FreeFtpDll"_qs);
    session->ShowNotice(u"二"_qs);  // no panel any more: nothing happens
}

void MainWindowTest::windowHasAFixedSize() {
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void MainWindowTest::aConnectionThatFailsWhileTheLoginWaitsLetsTheUserTryAgain() {
    LoginDialog* dialog = OpenLoginDialog();
    dialog->findChild<QComboBox*>(u"numberBox"_qs)->setEditText(u"0086-10-1"_qs);
    dialog->findChild<QLineEdit*>(u"keyBox"_qs)->setText(u"k"_qs);
    auto* login = dialog->findChild<QPushButton*>(u"loginButton"_qs);
    login->click();
    QVERIFY(!login->isEnabled());  // waiting for the verdict
    library.Deliver(MakeAccountEvent(note::kDisconnected, "0086-10-1"));
    QCOMPARE(boxes.Texts().last(), u"不能连接到服务器IP:127.0.0.1,端口:8800!0"_qs);
    QVERIFY(window->Notices().Text().isEmpty());
    QVERIFY(login->isEnabled());
    QCOMPARE(window->OpenLogin(), dialog);  // the same dialog, still open
    QVERIFY(dialog->isVisible());
}

void MainWindowTest::enterInTheLoginFieldsLogsIn() {
    LoginDialog* dialog = OpenLoginDialog();
    QTRY_VERIFY(dialog->isVisible());
    auto* number = dialog->findChild<QComboBox*>(u"numberBox"_qs);
    number->setEditText(u"0086-10-1"_qs);
    dialog->findChild<QLineEdit*>(u"keyBox"_qs)->setText(u"k"_qs);
    QTest::keyClick(number->lineEdit(), Qt::Key_Return);
    QCOMPARE(library.calls.last(), u"ConnectServer 127.0.0.1 8800 0086-10-1 k"_qs);
    QCOMPARE(number->count(), 0);  // a typed number is not added to the list
}

void MainWindowTest::noticePanelShowsItsLastLine() {
    NoticePanel& panel = window->Notices();
    QScrollBar* bar = panel.TextBox()->verticalScrollBar();
    for (int i = 0; i < 12; ++i) session->ShowNotice(u"行 "_qs + QString::number(i));
    QTRY_COMPARE_WITH_TIMEOUT(panel.height(), int(NoticePanel::kFullHeight), 3000);
    QVERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());
    // While it is out, each new notice scrolls to its own line as well.
    bar->setValue(0);
    session->ShowNotice(u"最后"_qs);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

void MainWindowTest::aWindowBackFromMinimisedLooksForNewFilesSilently() {
    LogIn("0086-10-1234567");
    QCOMPARE(library.calls.filter(u"ListFile"_qs).size(), 1);
    library.Deliver(MakeReply(note::kListSummary, 1, "0086-10-1234567", "summary"));
    window->showMinimized();
    window->showNormal();
    QCOMPARE(library.calls.filter(u"ListFile"_qs).size(), 2);
    QCOMPARE(window->Notices().Text(), u"\r\nok"_qs);  // the checks said nothing
    // A click on the announcement: the window on "收取文件", which asks as the button does.
    emit app->Tray().announcementClicked();
    QCOMPARE(window->CurrentPage(), int(MainWindow::kReceivedFiles));
    QCOMPARE(library.calls.filter(u"ListFile"_qs).size(), 3);
}

}  // namespace tessan

QTEST_MAIN(tessan::MainWindowTest)
#include "mainwindow_test.moc"
