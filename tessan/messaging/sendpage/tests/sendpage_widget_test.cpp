#include "core/browser/localfilelistview.h"
#include "core/session/clientsession.h"
#include "messaging/sendpage/frienddetailsdialog.h"
#include "messaging/sendpage/sendpage.h"
#include "messaging/textmessagedialog.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace tessan {
namespace {

// A desktop set to open items with a single click.
class SingleClickStyle final : public QProxyStyle {
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_ItemView_ActivateItemOnSingleClick) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

class SendPageWidgetTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void aDragFromTheBrowserOntoAFriendSendsToThatFriendOnly();
    void aDragReleasedOutsideTheFriendsUnchecksThemAll();
    void filesFromTheDesktopAreOnlyShown();
    void theBrowserMenusAndTheFriendDetails();
    void aClickSelectsAndADoubleClickOpensOnEveryDesktop();
    void aGroupTextIsWrittenOnceAndFannedOutToTheCheckedFriends();

  private:
    struct Sent {
        QStringList to;
        QStringList paths;
        QStringList names;
    };
    // Runs `act` on the modal dialog of type D as soon as it is open.
    template <typename D>
    void WhenOpen(std::function<void(D*)> act) {
        auto* poll = new QTimer(page_.get());
        connect(poll, &QTimer::timeout, page_.get(), [poll, act] {
            if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
                poll->deleteLater();
                poll->stop();
                act(dialog);
            }
        });
        poll->start(10);
    }
    void Drag(const QStringList& names, int friendRow, Qt::DropAction action);
    void Select(const QStringList& names);

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedMessageBoxes boxes_;
    std::unique_ptr<ClientSession> session_;
    std::vector<Sent> sent_;
    std::unique_ptr<SendPage> page_;
    std::unique_ptr<QStyle> style_;  // outlives the page that may use it
};

void SendPageWidgetTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        QFile file(dir_->filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("data");
    }
    LocalFileList::Services services;
    services.desktopFolder = dir_->path();
    services.volumes = [] { return std::vector<Volume>{{QStringLiteral("/"), QString()}}; };
    services.openFile = [](const QString&) { return true; };
    services.moveToTrash = [](const QString&) { return false; };
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("app/cache")));
    boxes_.Reset();
    sent_.clear();
    session_ = std::make_unique<ClientSession>(dir_->filePath(QStringLiteral("app")));
    UserProfile own;
    own.SetText(UserProfile::Field::Number, QStringLiteral("0086-10-9"));
    own.SetText(UserProfile::Field::Name, QStringLiteral("我"));
    session_->StoreOwnProfile(own);
    SendPage::Sending sending;
    sending.fanOut = [this](const std::vector<UserProfile>& to,
                            const std::vector<SendPageRules::File>& files) {
        Sent s;
        for (const UserProfile& p : to) s.to.append(p.Name());
        for (const auto& f : files) {
            s.paths.append(f.localPath);
            s.names.append(f.remoteName);
        }
        sent_.push_back(s);
    };
    sending.sendImmediately = [](const Recipient&, const QString&, const QString&) { return true; };
    page_ = std::make_unique<SendPage>(*session_, boxes_, sending, services);
    for (const char* name : {"一", "二", "三"}) {
        UserProfile profile;
        profile.SetText(UserProfile::Field::Number,
                        QStringLiteral("0086-10-%1").arg(page_->Friends().RowCount() + 1));
        profile.SetText(UserProfile::Field::Name, QString::fromUtf8(name));
        page_->Friends().AddOrUpdateFriend(profile);
    }
    page_->resize(900, 500);
    page_->show();
    QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
    QVERIFY(page_->Files().ShowFolder(dir_->path(), false));
}

void SendPageWidgetTest::cleanup() {
    page_.reset();
    style_.reset();
    session_.reset();
    dir_.reset();
}

void SendPageWidgetTest::Select(const QStringList& names) {
    LocalFileListView& view = page_->FileView();
    view.clearSelection();
    for (const QString& name : names) {
        const int row = page_->Files().FindRow(name);
        QVERIFY(row >= 0);
        view.selectionModel()->select(view.model()->index(row, 0), QItemSelectionModel::Select);
    }
}

// What the browser's drag does, with the events a pointer crossing the friend list sends.
void SendPageWidgetTest::Drag(const QStringList& names, int friendRow, Qt::DropAction action) {
    Select(names);
    QModelIndexList indexes;
    for (int row : page_->FileView().SelectedRows()) indexes.append(page_->Files().index(row));
    std::unique_ptr<QMimeData> mime(page_->Files().mimeData(indexes));
    emit page_->FileView().dragStarted();

    FriendListView& view = page_->FriendView();
    QWidget* target = view.viewport();
    const QPoint first = view.visualRect(page_->Friends().index(0, 0)).center();
    QDragEnterEvent enter(first, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent overFirst(first, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &overFirst);
    QCOMPARE(page_->Friends().CheckedRows(), std::vector<int>({0}));
    if (friendRow >= 0) {
        const QPoint at = view.visualRect(page_->Friends().index(friendRow, 1)).center();
        QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    } else {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
    }
    emit page_->FileView().dragFinished(action != Qt::IgnoreAction);
}

void SendPageWidgetTest::aDragFromTheBrowserOntoAFriendSendsToThatFriendOnly() {
    page_->Friends().SetChecked(1, true);  // checked before the drag: not a recipient
    boxes_.Script({MessageBoxes::Answer::Yes});
    Drag({QStringLiteral("a.txt"), QStringLiteral("c.txt")}, 2, Qt::CopyAction);

    QCOMPARE(boxes_.Texts(), QStringList({QStringLiteral("确实要发送给：二吗？")}));
    QCOMPARE(sent_.size(), std::size_t{1});
    QCOMPARE(sent_[0].to, QStringList({QStringLiteral("二")}));
    QCOMPARE(sent_[0].paths, QStringList({dir_->filePath(QStringLiteral("a.txt")),
                                          dir_->filePath(QStringLiteral("c.txt"))}));
    QCOMPARE(page_->Friends().CheckedRows(), std::vector<int>({2}));
    const QModelIndexList selected = page_->FriendView().selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row(), 2);

    // "No": the friend stays checked, nothing goes.
    boxes_.Reset();
    sent_.clear();
    Drag({QStringLiteral("b.txt")}, 0, Qt::CopyAction);
    QCOMPARE(boxes_.Unscripted(), 1);
    QVERIFY(sent_.empty());
    QCOMPARE(page_->Friends().CheckedRows(), std::vector<int>({0}));
}

void SendPageWidgetTest::aDragReleasedOutsideTheFriendsUnchecksThemAll() {
    page_->Friends().SetAllChecked(true);
    Drag({QStringLiteral("a.txt")}, -1, Qt::IgnoreAction);
    QVERIFY(page_->Friends().CheckedRows().empty());
    QVERIFY(page_->FriendView().selectionModel()->selectedRows().isEmpty());
    QVERIFY(boxes_.Shown().empty());
    QVERIFY(sent_.empty());
}

void SendPageWidgetTest::filesFromTheDesktopAreOnlyShown() {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/home/u/1.txt")),
                  QUrl::fromLocalFile(QStringLiteral("/home/u/2.txt")),
                  QUrl::fromLocalFile(QStringLiteral("/home/u/3.txt"))});
    page_->Friends().SetAllChecked(true);
    for (QWidget* target : {static_cast<QWidget*>(page_.get()), page_->FriendView().viewport()}) {
        boxes_.Reset();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QCOMPARE(boxes_.Texts(), QStringList({QStringLiteral("The file path is /home/u/1.txt"),
                                              QStringLiteral("The file path is /home/u/2.txt"),
                                              QStringLiteral("The file path is /home/u/3.txt")}));
    }
    QVERIFY(sent_.empty());
}

void SendPageWidgetTest::theBrowserMenusAndTheFriendDetails() {
    const auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    };
    QCOMPARE(texts(page_->FileView().ItemMenu()),
             QStringList({QStringLiteral("发送给好友(&S)"), QStringLiteral("-"),
                          QStringLiteral("打开(&O)"), QStringLiteral("-"),
                          QStringLiteral("删除(&D)"), QStringLiteral("重命名(&E)"),
                          QStringLiteral("-"), QStringLiteral("属性(&R)")}));
    QCOMPARE(
        texts(page_->FileView().BackgroundMenu()),
        QStringList({QStringLiteral("刷新(&F)"), QStringLiteral("-"), QStringLiteral("属性(&R)")}));

    // "发送给好友(&S)" is the send button.
    page_->Friends().SetChecked(0, true);
    Select({QStringLiteral("b.txt")});
    page_->FileView().ItemMenu()->actions().first()->trigger();
    QCOMPARE(sent_.size(), std::size_t{1});
    QCOMPARE(sent_[0].to, QStringList({QStringLiteral("一")}));

    UserProfile profile = page_->Friends().Profile(1);
    profile.SetText(UserProfile::Field::PublicKey, QStringLiteral("钥匙"));
    profile.SetUserType('3');
    FriendDetailsDialog details(profile);
    QCOMPARE(details.Shown(QStringLiteral("Tessan")), QStringLiteral("0086-10-3"));
    QCOMPARE(details.Shown(QStringLiteral("公钥")), QStringLiteral("钥匙"));
    QCOMPARE(details.Shown(QStringLiteral("类型")), QStringLiteral("黄金用户[500M]"));
    QCOMPARE(details.windowTitle(), QStringLiteral("好友详情"));
}

void SendPageWidgetTest::aClickSelectsAndADoubleClickOpensOnEveryDesktop() {
    style_ = std::make_unique<SingleClickStyle>();
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("sub")));
    LocalFileList& files = page_->Files();
    files.RefreshFolder();
    LocalFileListView& view = page_->FileView();
    view.setStyle(style_.get());
    const auto at = [&](const char* name) {
        return view.visualRect(view.model()->index(files.FindRow(QString::fromLatin1(name)), 0))
            .center();
    };
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at("a.txt"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at("sub"));
    QCOMPARE(files.CurrentFolder(), dir_->path());
    QCOMPARE(view.SelectedRows(), std::vector<int>{files.FindRow(QStringLiteral("sub"))});

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at("sub"));
    QCOMPARE(files.CurrentFolder(), dir_->filePath(QStringLiteral("sub")));
    // Return opens the current row: ".." leads back.
    view.setCurrentIndex(view.model()->index(files.FindRow(LocalFileList::kUp), 0));
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(files.CurrentFolder(), dir_->path());
}

void SendPageWidgetTest::aGroupTextIsWrittenOnceAndFannedOutToTheCheckedFriends() {
    auto* groupText = page_->findChild<QPushButton*>(QStringLiteral("groupTextButton"));
    QVERIFY(groupText);
    groupText->click();  // nobody checked
    QCOMPARE(boxes_.Texts(), QStringList({QStringLiteral("请先选择要接收的好友!")}));

    page_->Friends().SetChecked(0, true);
    page_->Friends().SetChecked(1, true);
    QString shownTitle, shownRecipient, shownSubject, shownBody;
    WhenOpen<TextMessageDialog>([&](TextMessageDialog* dialog) {
        shownTitle = dialog->windowTitle();
        shownRecipient = dialog->findChild<QLineEdit*>(QStringLiteral("recipientLine"))->text();
        auto* subject = dialog->findChild<QLineEdit*>(QStringLiteral("subject"));
        shownSubject = subject->text();
        auto* body = dialog->findChild<QPlainTextEdit*>(QStringLiteral("body"));
        shownBody = body->toPlainText();
        subject->setText(QStringLiteral("周报"));
        body->setPlainText(QStringLiteral("本周完成。\n") + body->toPlainText());
        dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    groupText->click();

    QCOMPARE(shownTitle, QStringLiteral("文字群发"));
    QCOMPARE(shownRecipient, QStringLiteral("文字群发"));
    QCOMPARE(shownSubject, QStringLiteral("来自：我的Tessan"));
    QCOMPARE(shownBody, QString(12, QLatin1Char('\n')) + QStringLiteral("\t\t\t\t\t\t\t我\n"));
    QCOMPARE(sent_.size(), std::size_t{1});
    QCOMPARE(sent_[0].to, QStringList({QStringLiteral("一"), QStringLiteral("三")}));
    const QString path = dir_->filePath(QStringLiteral("app/cache/周报.txt"));
    QCOMPARE(sent_[0].paths, QStringList({path}));
    QCOMPARE(sent_[0].names, QStringList({QStringLiteral("周报.txt")}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // GBK, CR LF, no terminator.
    QCOMPARE(file.readAll(), QByteArray("\xb1\xbe\xd6\xdc\xcd\xea\xb3\xc9\xa1\xa3\r\n") +
                                 QByteArray("\r\n").repeated(12) + QByteArray("\t").repeated(7) +
                                 QByteArray("\xce\xd2\r\n"));
}

}  // namespace tessan

QTEST_MAIN(tessan::SendPageWidgetTest)
#include "sendpage_widget_test.moc"
