// The real windows under the real look, grabbed off screen at the scale the environment sets
// (QT_SCALE_FACTOR; ctest runs this at 1, 1.5 and 2). Not pictures compared pixel by pixel, but the
// faults a user would see: a clipped button text, a control squeezed to nothing, a blurry grab.
#include "account/addressbook/addfrienddialog.h"
#include "account/recharge/rechargedialog.h"
#include "account/registration/registrar.h"
#include "account/registration/registrationwizard.h"
#include "app/clientapp.h"
#include "core/login/logindialog.h"
#include "look/helpwindow.h"
#include "look/imagebutton.h"
#include "look/look.h"
#include "messaging/received/overwritedialog.h"
#include "messaging/textmessagedialog.h"
#include "messaging/voicemessagedialog.h"
#include "testsupport/clientparts.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

class ScreensTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void mainWindow();
    void loginDialog();
    void helpWindow();
    void messageBox();
    void messageDialogs();
    void registrationWizard();
    void rechargeDialog();
    void overwriteDialog();
    void addFriendDialog();

  private:
    // Every check on one shown window.
    void CheckWindow(QWidget* window);

    qreal scale_ = 1.0;
};

namespace {

// The width a button's text and icon need, besides the button's own padding.
int ContentWidth(const QAbstractButton* button) {
    const QFontMetrics metrics = button->fontMetrics();
    const QString text = PlainText(button->text());
    int width = text.isEmpty() ? 0 : metrics.horizontalAdvance(text);
    if (!button->icon().isNull()) width += button->iconSize().width();
    const QStyle* style = button->style();
    if (qobject_cast<const QCheckBox*>(button))
        width += style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
                 style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
    if (qobject_cast<const QRadioButton*>(button))
        width += style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
                 style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
    return width;
}

QString Describe(const QWidget* w) {
    return QStringLiteral("%1 \"%2\" %3x%4")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(w->width())
        .arg(w->height());
}

}  // namespace

void ScreensTest::initTestCase() {
    ApplyLook(*qApp);
    scale_ = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                 ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                 : 1.0;
    QVERIFY(scale_ >= 1.0);
}

void ScreensTest::CheckWindow(QWidget* window) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPixmap shot = window->grab();
    // Drawn at the screen's density, not drawn small and blown up.
    QCOMPARE(shot.devicePixelRatio(), scale_);
    QCOMPARE(shot.size(), window->size() * scale_);
    // Something was drawn: text and frames, not one flat colour.
    const QImage image = shot.toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 8, qPrintable(Describe(window)));
    // A dialog offers nothing to minimise or maximise it with.
    if (window->windowType() == Qt::Dialog && !qobject_cast<QMessageBox*>(window))
        QVERIFY2(!(window->windowFlags() &
                   (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)),
                 qPrintable(Describe(window)));
    // To look at them: TESSAN_SCREENS_DIR=/some/folder.
    if (const QString folder = qEnvironmentVariable("TESSAN_SCREENS_DIR"); !folder.isEmpty())
        shot.save(QStringLiteral("%1/%2-%3x.png").arg(folder, window->objectName()).arg(scale_));

    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow()) continue;
        QVERIFY2(w->width() > 0 && w->height() > 0, qPrintable(Describe(w)));
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            // The content plus a little room on each side.
            QVERIFY2(ContentWidth(button) + 4 <= button->width(),
                     qPrintable(Describe(button) + QStringLiteral(" needs ") +
                                QString::number(ContentWidth(button))));
            QVERIFY2(button->fontMetrics().height() <= button->height(),
                     qPrintable(Describe(button)));
        }
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() &&
                                                    !label->text().isEmpty() &&
                                                    !label->text().contains(QLatin1Char('\n'))) {
            QVERIFY2(label->fontMetrics().horizontalAdvance(PlainText(label->text())) <=
                         label->contentsRect().width(),
                     qPrintable(Describe(label) + label->text()));
        }
    }
}

void ScreensTest::mainWindow() {
    QTemporaryDir dir;
    FakeLibrary library;
    ScriptedMessageBoxes boxes;
    ClientApp client({.appDir = dir.path(), .library = library, .boxes = boxes});
    MainWindow& window = client.Window();
    window.show();
    CheckWindow(&window);
    if (QTest::currentTestFailed()) return;
    // The page buttons stand apart, each by the spacing the style gives every row of buttons.
    const QStringList row{u"loginButton"_qs,     u"receivedFilesButton"_qs, u"sendButton"_qs,
                          u"viewFilesButton"_qs, u"addressBookButton"_qs,   u"settingsButton"_qs,
                          u"netDiskButton"_qs,   u"helpButton"_qs};
    const int spacing = window.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
    QVERIFY(spacing > 0);
    for (qsizetype i = 1; i < row.size(); ++i) {
        const auto* left = window.findChild<QPushButton*>(row[i - 1]);
        const auto* right = window.findChild<QPushButton*>(row[i]);
        QVERIFY(left && right);
        QCOMPARE(left->y(), right->y());
        QVERIFY2(right->x() - left->geometry().right() - 1 >= spacing,
                 qPrintable(Describe(left) + QStringLiteral(" touches ") + Describe(right)));
    }
    // The page buttons each keep their text, logged out and with every page button enabled.
    for (const int page : {MainWindow::kReceivedFiles, MainWindow::kSend, MainWindow::kViewFiles,
                           MainWindow::kAddressBook, MainWindow::kSettings}) {
        window.ShowPage(page);
        CheckWindow(&window);
        if (QTest::currentTestFailed()) return;
    }

    // The transfer list shows six rows under its heading, and its columns fill its width.
    window.ShowPage(MainWindow::kReceivedFiles);
    CheckWindow(&window);
    auto* transfers = window.findChild<QTableView*>(QStringLiteral("transferList"));
    QVERIFY(transfers && transfers->isVisible());
    const int rows =
        transfers->viewport()->height() / transfers->verticalHeader()->defaultSectionSize();
    QVERIFY2(rows >= 6, qPrintable(Describe(transfers)));
    const QHeaderView* header = transfers->horizontalHeader();
    QCOMPARE(header->sectionViewportPosition(header->count() - 1) +
                 header->sectionSize(header->count() - 1),
             transfers->viewport()->width());
    // "下载" stands in its row as high as its neighbours.
    const auto* download = window.findChild<QPushButton*>(QStringLiteral("downloadButton"));
    const auto* refresh = window.findChild<QPushButton*>(QStringLiteral("refreshButton"));
    QVERIFY(download && refresh);
    QCOMPARE(download->height(), refresh->height());
    QVERIFY2(download->width() <= refresh->width() + download->fontMetrics().height() * 3 / 2,
             qPrintable(Describe(download) + QStringLiteral(" beside ") + Describe(refresh)));
}

void ScreensTest::loginDialog() {
    FakeClient client;
    LoginDialog dialog(client.session, client.login, client.boxes, client.resolver,
                       [](const QString&) { return true; });
    dialog.show();
    CheckWindow(&dialog);
}

void ScreensTest::helpWindow() {
    HelpWindow help;
    QVERIFY(!help.windowIcon().pixmap(32).isNull());
    help.show();
    CheckWindow(&help);
}

void ScreensTest::messageBox() {
    // A question with Chinese standard buttons, as the upgrade asks it.
    QMessageBox box(QMessageBox::Question, QStringLiteral("升级版本"),
                    QStringLiteral("\r\n\tTessan系统现在将进行升级!"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setObjectName(QStringLiteral("messageBox"));
    box.show();
    CheckWindow(&box);
    // "是(&Y)": the access key in brackets is how Chinese programs mark it.
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    const QRegularExpression accessKey(QStringLiteral("\\([A-Z]\\)$"));
    for (QAbstractButton* b : box.buttons())
        QVERIFY2(!PlainText(b->text()).remove(accessKey).contains(latin), qPrintable(b->text()));
}

void ScreensTest::messageDialogs() {
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    const auto send = [](const Recipient&, const QString&, const QString&) { return false; };
    TextMessageDialog text(dir.path(), boxes, send);
    text.message().recipientLine = QStringLiteral("0086-10-7654321\t李四");
    text.message().subject = QStringLiteral("RE：报告");
    // A generated reply: its greeting and its signature six tab stops in stand unbroken.
    text.message().body =
        QStringLiteral("李四您好:\r\n\t你于2026/12/7 09:05 发送的文件:\"报告.doc\"我已经收到!") +
        QStringLiteral("\r\n").repeated(12) +
        QStringLiteral(
            "\t\t\t\t\t\t欧阳大将军甲乙丙  0086-512-12345678\r\n"
            "\t\t\t\t\t\t2026年12月07日 09:08:07");
    text.Fill();
    text.show();
    CheckWindow(&text);
    if (QTest::currentTestFailed()) return;
    auto* body = text.findChild<QPlainTextEdit*>(QStringLiteral("body"));
    QVERIFY(body);
    for (const QString& line : body->toPlainText().split(u'\n')) {
        const int width =
            TextMessageDialog::LineWidth(body->fontMetrics(), line, body->tabStopDistance());
        QVERIFY2(width < body->viewport()->width(), qPrintable(line));
    }

    class SilentDevice final : public VoiceDevice {
        bool StartRecording() override { return false; }
        bool StopRecording() override { return false; }
        bool SaveRecording(const QString&) override { return false; }
        void CloseRecording() override {}
        void StartPlayback(const QString&) override {}
        void StopPlayback() override {}
    } device;
    FakeTimers timers;
    VoiceMessageDialog voice(dir.path(), device, boxes, timers.Factory(), send);
    voice.recorder().texts.title = QStringLiteral("语音群发");
    voice.recorder().recipientLine = QStringLiteral("语音群发");
    voice.recorder().subject = QStringLiteral("来自：欧阳大将军甲乙丙丁戊己庚辛的Tessan");
    voice.Fill();
    voice.show();
    CheckWindow(&voice);
    if (QTest::currentTestFailed()) return;
    auto* subject = voice.findChild<QLineEdit*>(QStringLiteral("subject"));
    QVERIFY(subject);
    QVERIFY2(
        subject->fontMetrics().horizontalAdvance(subject->text()) < subject->contentsRect().width(),
        qPrintable(Describe(subject)));
}

void ScreensTest::registrationWizard() {
    FakeClient client;
    Registrar registrar(
        client.connections, client.boxes, client.resolver, client.dir.path(),
        [](const QString&, bool) {}, QtTimers(qApp));
    RegistrationWizard wizard(registrar, client.boxes);
    wizard.Prepare();
    wizard.show();
    const auto type = [&wizard](const char* name, const char* text) {
        wizard.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
    };
    type("countryCode", "0086");
    type("areaCode", "10");
    type("number", "1234567");
    type("name", "Zhang");
    type("privateKey", "k");
    type("confirmation", "k");
    // Each page with the help of its longest text showing.
    for (const char* longest : {"publicKey", "userType", "company"}) {
        auto* edit = wizard.currentPage()->findChild<QLineEdit*>(QString::fromLatin1(longest));
        QVERIFY(edit);
        edit->setFocus();
        if (edit->objectName() == u"publicKey") edit->setText(QStringLiteral("0086-10-1234567"));
        CheckWindow(&wizard);
        if (QTest::currentTestFailed()) return;
        wizard.next();
    }
}

void ScreensTest::rechargeDialog() {
    FakeClient client;
    RechargeLine line(client.session, client.connections, client.serverBoxes, client.login,
                      client.queueTimers.Factory());
    RechargeDialog dialog(client.session, line, client.boxes, client.resolver, "0086-10-1234567",
                          {});
    dialog.show();
    CheckWindow(&dialog);
    if (QTest::currentTestFailed()) return;
    // Asking for the card: other labels, the card types in place of the status line.
    dialog.findChild<QPushButton*>(QStringLiteral("actionButton"))->click();
    client.library.Deliver(MakeReply(note::kCardAnswer, '0', "0086-10-1234567", "0"));
    CheckWindow(&dialog);
}

void ScreensTest::overwriteDialog() {
    OverwriteDialog dialog;
    dialog.Fill({{},
                 {},
                 QStringLiteral("文件:/home/用户/下载/Tessan/一个很长的文件名称.txt已经存在！\r\n"
                                "是否覆盖?")});
    dialog.show();
    CheckWindow(&dialog);
}

void ScreensTest::addFriendDialog() {
    ScriptedMessageBoxes boxes;
    AddFriendDialog dialog(boxes);
    dialog.show();
    CheckWindow(&dialog);
    if (QTest::currentTestFailed()) return;
    // The second step relabels the buttons.
    dialog.findChild<QLineEdit*>(QStringLiteral("input"))->setText(QStringLiteral("0086-10-1"));
    dialog.findChild<QPushButton*>(QStringLiteral("nextButton"))->click();
    CheckWindow(&dialog);
}

}  // namespace tessan

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tessan::ScreensTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "screens_test.moc"
