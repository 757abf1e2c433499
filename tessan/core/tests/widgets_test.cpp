#include "app/mainwindow.h"
#include "core/base/plaintext.h"
#include "core/base/qtmessageboxes.h"
#include "core/login/logindialog.h"
#include "core/login/rememberedlogins.h"
#include "testsupport/clientparts.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

namespace tessan {

class WidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void theLoginDialogShowsTheRememberedLoginsUntilCleared();
    void qtMessageBoxesReturnThePressedButton();
    void aLoginDialogClosedDuringTheLookupGivesBackTheCursorAndConnectsNothing();
};

void WidgetsTest::theLoginDialogShowsTheRememberedLoginsUntilCleared() {
    FakeClient client;
    for (const auto& [number, key] : {std::pair{"0086-10-1", "a"}, {"0086-10-2", ""}}) {
        RememberedLogins logins(client.dir.path());
        logins.Load();
        QVERIFY(logins.SaveRememberedLogin(RememberedLogin(number, key)));
    }
    LoginDialog dialog(client.session, client.login, client.boxes, client.resolver,
                       [](const QString&) { return true; });
    auto* number = dialog.findChild<QComboBox*>(QStringLiteral("numberBox"));
    auto* key = dialog.findChild<QLineEdit*>(QStringLiteral("keyBox"));
    auto* remember = dialog.findChild<QCheckBox*>(QStringLiteral("rememberKey"));
    QCOMPARE(number->count(), 2);
    QCOMPARE(number->itemText(0), QStringLiteral("0086-10-1"));
    // The last used number, saved without its key.
    QCOMPARE(number->currentText(), QStringLiteral("0086-10-2"));
    QVERIFY(!remember->isChecked());
    QVERIFY(key->text().isEmpty());

    // Choosing the other number in the list shows its record.
    number->setCurrentIndex(0);
    emit number->activated(0);
    QVERIFY(remember->isChecked());
    QCOMPARE(key->text(), QStringLiteral("a"));

    // "清除": the file goes, and all that was shown, a typed number too.
    number->setEditText(QStringLiteral("0086-10-9"));
    dialog.findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
    QCOMPARE(number->count(), 0);
    QVERIFY(number->currentText().isEmpty());
    QVERIFY(key->text().isEmpty());
    QVERIFY(!remember->isChecked());
    QVERIFY(!QFile::exists(client.dir.filePath(QStringLiteral("remember.ini"))));
}

void WidgetsTest::qtMessageBoxesReturnThePressedButton() {
    QtMessageBoxes boxes;
    QString caption;
    bool defaultIsNo = false;
    // Presses No on the box as soon as it is shown.
    auto pressNo = [&] {
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            caption = box->windowTitle();
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
    };
    pressNo();
    const MessageBoxes::Answer answer = boxes.Show(
        {QStringLiteral("问题"), QStringLiteral("升级版本"), MessageBoxes::Icon::Question,
         MessageBoxes::Buttons::YesNo, MessageBoxes::Answer::No});
    QCOMPARE(answer, MessageBoxes::Answer::No);
    QCOMPARE(caption, QStringLiteral("升级版本"));
    QVERIFY(defaultIsNo);

    // A name from the network that looks like markup is shown as it is, in a box and a tooltip.
    const QString link = QStringLiteral("<a href=\"http://x\">报告</a>.doc");
    Qt::TextFormat format = Qt::RichText;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    boxes.Tell(link);
    QCOMPARE(format, Qt::PlainText);
    QTextDocument tip;
    tip.setHtml(PlainToolTip(link));
    QCOMPARE(tip.toPlainText(), link);
    QVERIFY(PlainToolTip({}).isEmpty());

    // Escape on an OK box answers OK; the caption defaults to the program's name. A box has
    // nothing to minimise or maximise it with.
    Qt::WindowFlags flags;
    QTimer::singleShot(0, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        caption = box ? box->windowTitle() : QString();
        if (box) flags = box->windowFlags();
        if (box) QTest::keyClick(box, Qt::Key_Escape);
    });
    boxes.Tell(QStringLiteral("请输入私钥!"));
    QCOMPARE(caption, QStringLiteral("Tessan"));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void WidgetsTest::aLoginDialogClosedDuringTheLookupGivesBackTheCursorAndConnectsNothing() {
    FakeClient client;
    QFile list(client.dir.filePath(QStringLiteral("serverlist.ini")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("[0086-10]\nserver=files.example.com\n");
    list.close();
    FakeLibrary& library = client.library;
    FakeResolver& resolver = client.resolver;

    const auto pressLogin = [](LoginDialog& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("numberBox"))
            ->setEditText(QStringLiteral("0086-10-1234567"));
        dialog.findChild<QLineEdit*>(QStringLiteral("keyBox"))->setText(QStringLiteral("key"));
        dialog.findChild<QPushButton*>(QStringLiteral("loginButton"))->click();
    };
    const auto connects = [&library] {
        return library.calls.filter(QStringLiteral("ConnectServer")).size();
    };

    // Closed: "登录" usable again, the cursor given back, the late answer connects nothing.
    auto dialog = std::make_unique<LoginDialog>(client.session, client.login, client.boxes,
                                                resolver, [](const QString&) { return true; });
    dialog->show();
    pressLogin(*dialog);
    QVERIFY(dialog->LookingUp());
    QVERIFY(QGuiApplication::overrideCursor());
    auto* login = dialog->findChild<QPushButton*>(QStringLiteral("loginButton"));
    QVERIFY(!login->isEnabled());
    dialog->reject();
    QVERIFY(!dialog->LookingUp());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(login->isEnabled());
    resolver.Answer(0, "10.0.0.9");
    QCOMPARE(connects(), 0);

    // Destroyed while looking up: the same.
    pressLogin(*dialog);
    QVERIFY(QGuiApplication::overrideCursor());
    dialog.reset();
    QVERIFY(!QGuiApplication::overrideCursor());
    resolver.Answer(1, "10.0.0.9");
    QCOMPARE(connects(), 0);
    QVERIFY(client.boxes.Shown().empty());
}

}  // namespace tessan

QTEST_MAIN(tessan::WidgetsTest)
#include "widgets_test.moc"
