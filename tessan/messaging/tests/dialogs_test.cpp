#include "messaging/textmessagedialog.h"
#include "messaging/voicemessagedialog.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include "fakevoicedevice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void textDialogShowsTheCallersTextsAndWritesWhatIsTyped();
    void voiceDialogButtonsFollowTheRecorder();
    void tabGoesFromTheSubjectToTheBodyAndOnToTheButtons();

  private:
    template <typename T>
    static T* Child(QWidget& parent, const char* name) {
        T* child = parent.findChild<T*>(QLatin1String(name));
        if (!child) qFatal("no child %s", name);
        return child;
    }
};

void DialogsTest::textDialogShowsTheCallersTextsAndWritesWhatIsTyped() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cache")));
    ScriptedMessageBoxes boxes;
    QStringList sent;
    TextMessageDialog dialog(dir.path(), boxes,
                             [&sent](const Recipient& to, const QString&, const QString& remote) {
                                 sent << QString::fromLatin1(to.number) + QLatin1Char(' ') + remote;
                                 return true;
                             });
    TextMessage& m = dialog.message();
    m.texts.title = QStringLiteral("发送文字");
    m.texts.okText = QStringLiteral("确认发送");
    m.recipientLine = QStringLiteral("0086-10-7\t李");
    m.recipient.number = "0086-10-7";
    m.subject = QStringLiteral("来自：王的Tessan");
    m.body = QStringLiteral("\r\n\r\n\t\t王");
    dialog.Fill();

    QCOMPARE(dialog.windowTitle(), QStringLiteral("发送文字"));
    QCOMPARE(Child<QPushButton>(dialog, "okButton")->text(), QStringLiteral("确认发送"));
    QCOMPARE(Child<QPushButton>(dialog, "cancelButton")->text(), QStringLiteral("取消"));
    QVERIFY(dialog.findChildren<QLabel*>().size() >= 3);
    QVERIFY(Child<QLineEdit>(dialog, "recipientLine")->isReadOnly());
    QCOMPARE(Child<QLineEdit>(dialog, "subject")->maxLength(), 250);
    auto* body = Child<QPlainTextEdit>(dialog, "body");
    QCOMPARE(body->toPlainText(), QStringLiteral("\n\n\t\t王"));

    body->moveCursor(QTextCursor::Start);
    body->insertPlainText(QStringLiteral("你好"));
    QTest::mouseClick(Child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(sent, QStringList{QStringLiteral("0086-10-7 来自：王的Tessan.txt")});
    QFile file(dir.filePath(QStringLiteral("cache/来自：王的Tessan.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xC4\xE3\xBA\xC3\r\n\r\n\t\t\xCD\xF5"));
}

void DialogsTest::voiceDialogButtonsFollowTheRecorder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cache")));
    ScriptedMessageBoxes boxes;
    FakeVoiceDevice device;
    FakeTimers timers;
    VoiceMessageDialog dialog(
        dir.path(), device, boxes, timers.Factory(),
        [](const Recipient&, const QString&, const QString&) { return true; });
    dialog.recorder().subject = QStringLiteral("语音");
    dialog.Fill();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("语音回复"));
    QCOMPARE(Child<QLabel>(dialog, "status")->text(), QStringLiteral("当前状态..."));
    QCOMPARE(Child<QLabel>(dialog, "elapsed")->text(), QStringLiteral("0.00秒"));
    QCOMPARE(Child<QLabel>(dialog, "maximum")->text(), QStringLiteral("300.00秒"));

    auto* record = Child<QPushButton>(dialog, "recordButton");
    auto* stop = Child<QPushButton>(dialog, "stopButton");
    auto* ok = Child<QPushButton>(dialog, "okButton");
    QCOMPARE(record->text(), QStringLiteral("录音●"));
    QTest::mouseClick(record, Qt::LeftButton);
    QVERIFY(!record->isEnabled() && stop->isEnabled() && !ok->isEnabled());
    QVERIFY(!Child<QPushButton>(dialog, "cancelButton")->isEnabled());
    QCOMPARE(Child<QLabel>(dialog, "status")->text(), QStringLiteral("当前正在录音..."));
    for (int i = 0; i < 250; ++i) timers.made.at(0)->Fire();
    QCOMPARE(Child<QLabel>(dialog, "elapsed")->text(), QStringLiteral("2.50S"));
    QCOMPARE(Child<QSlider>(dialog, "position")->value(), 250);
    QTest::mouseClick(stop, Qt::LeftButton);
    QVERIFY(record->isEnabled() && ok->isEnabled());
    const QString saved = dir.filePath(QStringLiteral("cache/语音.wav"));
    QVERIFY(QFile::exists(saved));

    // Escape is Cancel: the recording goes.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(saved));
}

void DialogsTest::tabGoesFromTheSubjectToTheBodyAndOnToTheButtons() {
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    TextMessageDialog dialog(dir.path(), boxes,
                             [](const Recipient&, const QString&, const QString&) { return true; });
    dialog.message().texts.bodyLabel = QStringLiteral("请在下面输入要发送的内容:");
    dialog.Fill();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* subject = Child<QLineEdit>(dialog, "subject");
    auto* body = Child<QPlainTextEdit>(dialog, "body");
    QCOMPARE(subject->accessibleName(), QStringLiteral("回复主题"));
    QCOMPARE(body->accessibleName(), QStringLiteral("请在下面输入要发送的内容"));

    subject->setFocus();
    QTRY_VERIFY(subject->hasFocus());
    QStringList order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({QStringLiteral("body"), QStringLiteral("okButton"),
                                 QStringLiteral("cancelButton"), QStringLiteral("recipientLine")}));
    // Tab moves on, so a tab is typed with Ctrl+Tab.
    body->setFocus();
    QTest::keyClick(body, Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(body->hasFocus());
    QCOMPARE(body->toPlainText(), QStringLiteral("\t"));

    FakeVoiceDevice device;
    FakeTimers timers;
    VoiceMessageDialog voice(dir.path(), device, boxes, timers.Factory(),
                             [](const Recipient&, const QString&, const QString&) { return true; });
    voice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&voice));
    auto* voiceSubject = Child<QLineEdit>(voice, "subject");
    voiceSubject->setFocus();
    QTRY_VERIFY(voiceSubject->hasFocus());
    QTest::keyClick(voiceSubject, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("recordButton"));
}

}  // namespace tessan

QTEST_MAIN(tessan::DialogsTest)
#include "dialogs_test.moc"
