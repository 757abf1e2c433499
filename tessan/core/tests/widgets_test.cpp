#include "app/mainwindow.h"
#include "core/base/plaintext.h"
#include "core/base/qtmessageboxes.h"
#include "core/login/logindialog.h"
#include "core/login/loginfieldwidgets.h"
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
    void rememberedLoginsFillTheLoginControls();
    void clearEmptiesTheLoginControls();
    void qtMessageBoxesReturnThePressedButton();
    void aLoginDialogClosedDuringTheLookupGivesBackTheCursorAndConnectsNothing();

  private:
    struct LoginControls {
        QComboBox number;
        QLineEdit key;
        QCheckBox remember;
        LoginControls() { number.setEditable(true); }
    };
    static void Save(const QString& dir, const char* number, const char* key) {
        RememberedLogins logins(dir);
        LoginControls c;
        LoginFieldWidgets fields(&c.number, &c.key, &c.remember, logins);
        logins.LoadRememberedLogins(fields);
        QVERIFY(logins.SaveRememberedLogin(RememberedLogin(number, key)));
    }
};

void WidgetsTest::rememberedLoginsFillTheLoginControls() {
    QTemporaryDir dir;
    Save(dir.path(), "0086-10-1", "a");
    Save(dir.path(), "0086-10-2", "");

    RememberedLogins logins(dir.path());
    LoginControls c;
    LoginFieldWidgets fields(&c.number, &c.key, &c.remember, logins);
    QCOMPARE(logins.LoadRememberedLogins(fields), 2);
    QCOMPARE(c.number.count(), 2);
    QCOMPARE(c.number.itemText(0), QStringLiteral("0086-10-1"));
    QCOMPARE(c.number.itemData(1).toInt(), 1);
    // The last used number, saved without its key.
    QCOMPARE(c.number.currentIndex(), 1);
    QCOMPARE(c.number.currentText(), QStringLiteral("0086-10-2"));
    QVERIFY(!c.remember.isChecked());
    QVERIFY(c.key.text().isEmpty());

    // Choosing the other number in the list applies its record.
    c.number.setCurrentIndex(0);
    emit c.number.activated(0);
    QVERIFY(c.remember.isChecked());
    QCOMPARE(c.key.text(), QStringLiteral("a"));
}

void WidgetsTest::clearEmptiesTheLoginControls() {
    QTemporaryDir dir;
    Save(dir.path(), "0086-10-1", "a");
    // A header that names no record: the numbers are listed, none is selected or shown.
    QFile file(dir.filePath(QStringLiteral("remember.ini")));
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(QByteArray("\xFF\xFF\xFF\xFF", 4));
    file.close();

    RememberedLogins logins(dir.path());
    LoginControls c;
    LoginFieldWidgets fields(&c.number, &c.key, &c.remember, logins);
    QCOMPARE(logins.LoadRememberedLogins(fields), 1);
    QCOMPARE(c.number.currentIndex(), -1);
    QVERIFY(c.number.currentText().isEmpty());

    c.number.setEditText(QStringLiteral("0086-10-9"));
    c.key.setText(QStringLiteral("typed"));
    c.remember.setChecked(true);
    logins.ClearRememberedLogins(fields);
    QCOMPARE(c.number.count(), 0);
    QVERIFY(c.number.currentText().isEmpty());  // a typed number goes too
    QVERIFY(c.key.text().isEmpty());
    QVERIFY(!c.remember.isChecked());
    QVERIFY(!QFile::exists(file.fileName()));
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
