// The page's widgets on the offscreen platform: what the buttons, the menu and a double click
// reach, and what the view shows.
#include "messaging/received/receivedfilespage.h"

#include "messaging/received/replydialogs.h"
#include "messaging/received/tests/testentries.h"
#include "messaging/tests/fakevoicedevice.h"
#include "messaging/textmessagedialog.h"
#include "messaging/voicemessagedialog.h"
#include "testsupport/clientparts.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace tessan {

class ReceivedFilesPageTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void listShowsNewestFirstWithHeadings();
    void contextMenuHoldsTheCommandsInOrder();
    void buttonsReachTheirCommands();
    void repliesGoToTheDialogsOfTheSender();
    void overwriteDialogKeepsForAllAfterCancel();
    void replyDialogsOpenFilledFromTheRow();

  private:
    void List(std::initializer_list<ReceivedFileEntry> entries) {
        page->Rules().OnFileEntries(
            *MakeReply(note::kFileEntries, 1, "0086-10-1", Records(entries), 1).reply());
    }
    QPushButton* Button(const char* name) const {
        return page->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<FakeClient> client;
    std::unique_ptr<ReceivedFilesPage> page;
    QList<ReplyDraft> textReplies;
    QList<ReplyDraft> voiceReplies;
};

void ReceivedFilesPageTest::init() {
    client = std::make_unique<FakeClient>();
    client->LogIn("0086-10-1");
    textReplies.clear();
    voiceReplies.clear();
    page = std::make_unique<ReceivedFilesPage>(
        client->session, client->login, client->library, client->boxes, client->transfers, [] {},
        ReceivedFilesPage::Replies{
            [this](const ReplyDraft& d, QWidget*) { textReplies.append(d); },
            [this](const ReplyDraft& d, QWidget*) { voiceReplies.append(d); }});
    page->resize(700, 400);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
}

void ReceivedFilesPageTest::cleanup() {
    page.reset();
    client.reset();
}

void ReceivedFilesPageTest::listShowsNewestFirstWithHeadings() {
    List({Entry("0086-10-2", "a.txt", 1), Entry("0086-10-3", "b.txt", 1025)});
    QTableView* view = page->View();
    QCOMPARE(view->model()->rowCount(), 2);
    QCOMPARE(view->model()->index(0, 0).data().toString(), u"b.txt"_qs);
    QCOMPARE(view->model()->index(0, 3).data().toString(), u"2KB"_qs);
    QStringList headings;
    for (int c = 0; c < 5; ++c)
        headings.append(view->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headings, (QStringList{u"文件名"_qs, u"发送者号码"_qs, u"发送者姓名"_qs,
                                    u"文件长度"_qs, u"发送日期"_qs}));
    QCOMPARE(view->columnWidth(1), 130);

    page->Rules().ShowSpaceSummary(1024 * 1024);
    QCOMPARE(page->findChild<QLabel*>(u"spaceSummary"_qs)->text(),
             u"共有文件:2个,总长度:2KB,剩余空间:1023KB."_qs);
    QCOMPARE(page->findChild<QProgressBar*>(u"spaceBar"_qs)->maximum(), 102);
}

void ReceivedFilesPageTest::contextMenuHoldsTheCommandsInOrder() {
    const auto menu = page->ContextMenu();
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->isSeparator() ? u"-"_qs : action->text());
    QCOMPARE(texts,
             (QStringList{u"刷新(&F)"_qs, u"-"_qs, u"加为好友(&R)"_qs, u"-"_qs, u"文字回复(&P)"_qs,
                          u"语音回复(M)"_qs, u"-"_qs, u"删除文件(&D)"_qs, u"下载文件(&S)"_qs}));
    // Without a selected row the row commands do nothing.
    List({Entry("0086-10-2", "a.txt")});
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->text() == u"刷新(&F)"_qs) continue;
        action->trigger();
    }
    QVERIFY(client->library.calls.isEmpty());
    QVERIFY(client->boxes.Shown().empty());
    QVERIFY(textReplies.isEmpty() && voiceReplies.isEmpty());

    menu->actions()[0]->trigger();
    QCOMPARE(client->library.calls, QStringList{u"ListFile 0086-10-1"_qs});
}

void ReceivedFilesPageTest::buttonsReachTheirCommands() {
    List({Entry("0086-10-2", "a.txt"), Entry("0086-10-3", "b.txt")});
    QPushButton* selectAll = Button("selectAllButton");
    selectAll->click();
    QCOMPARE(selectAll->text(), u"取消"_qs);
    QCOMPARE(page->View()->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    client->boxes.Script({MessageBoxes::Answer::Yes});
    Button("deleteButton")->click();
    QCOMPARE(client->boxes.Texts(), QStringList{u"确实要删除这2个文件吗？"_qs});
    QVERIFY(!Button("deleteButton")->isEnabled());

    Button("refreshButton")->click();
    QVERIFY(Button("deleteButton")->isEnabled());
    QCOMPARE(selectAll->text(), u"全选"_qs);
    QCOMPARE(page->View()->model()->rowCount(), 0);

    List({Entry("0086-10-2", "a.txt")});
    client->library.calls.clear();
    page->View()->selectRow(0);
    Button("downloadButton")->click();
    QCOMPARE(client->library.calls, QStringList{u"DownLoad 0086-10-1 0086-10-2@a.txt"_qs});
    QCOMPARE(client->transfers.RowCount(), 1);
}

void ReceivedFilesPageTest::repliesGoToTheDialogsOfTheSender() {
    List({Entry("0086-10-2", "a.b.txt", 1, 0, "李四")});
    page->View()->selectRow(0);
    page->ReplyWithText();
    page->ReplyWithVoice();
    QCOMPARE(textReplies.size(), 1);
    QCOMPARE(textReplies[0].subject, u"RE：a"_qs);
    QVERIFY(textReplies[0].body.startsWith(u"李四您好:"_qs));
    QCOMPARE(voiceReplies.size(), 1);
    QCOMPARE(voiceReplies[0].recipientNumber, QByteArray("0086-10-2"));
}

void ReceivedFilesPageTest::overwriteDialogKeepsForAllAfterCancel() {
    OverwriteDialogQuestion question(page.get());
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<OverwriteDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), u"确认是否覆盖"_qs);
        QCOMPARE(dialog->findChild<QLabel*>(u"message"_qs)->text(),
                 u"文件:x已经存在！\n是否覆盖?"_qs);
        dialog->findChild<QCheckBox*>(u"forAllBox"_qs)->click();
        dialog->findChild<QPushButton*>(u"cancelButton"_qs)->click();
    });
    const auto answer = question.Ask({{}, {}, u"文件:x已经存在！\r\n是否覆盖?"_qs});
    QVERIFY(!answer.overwrite);
    QVERIFY(answer.forAll);
}

void ReceivedFilesPageTest::replyDialogsOpenFilledFromTheRow() {
    FakeVoiceDevice device;
    QVERIFY(QDir(client->dir.path()).mkpath(u"cache"_qs));
    QList<Recipient> sent;
    const auto replies = ReplyDialogs(client->dir.path(), client->boxes, device,
                                      [&](const Recipient& to, const QString&, const QString&) {
                                          sent.append(to);
                                          return true;
                                      });
    ReplyDraft draft;
    draft.recipientLine = u"0086-10-2\t李四"_qs;
    draft.recipientNumber = "0086-10-2";
    draft.recipientKey = "key";
    draft.subject = u"RE：a"_qs;
    draft.body = u"李四您好:\r\n"_qs;

    QString subject, line, body;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<TextMessageDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        subject = dialog->findChild<QLineEdit*>(u"subject"_qs)->text();
        line = dialog->findChild<QLineEdit*>(u"recipientLine"_qs)->text();
        body = dialog->findChild<QPlainTextEdit*>(u"body"_qs)->toPlainText();
        dialog->findChild<QPushButton*>(u"okButton"_qs)->click();
    });
    replies.text(draft, page.get());
    QCOMPARE(subject, u"RE：a"_qs);
    QCOMPARE(line, u"0086-10-2\t李四"_qs);
    QVERIFY(body.startsWith(u"李四您好:"_qs));
    // The dialog sent the message itself, to the row's sender with the row's key.
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].publicKey, QByteArray("key"));
    QVERIFY(client->boxes.Shown().empty());

    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<VoiceMessageDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        subject = dialog->findChild<QLineEdit*>(u"subject"_qs)->text();
        dialog->findChild<QPushButton*>(u"cancelButton"_qs)->click();
    });
    subject.clear();
    replies.voice(draft, page.get());
    QCOMPARE(subject, u"RE：a"_qs);
}

}  // namespace tessan

QTEST_MAIN(tessan::ReceivedFilesPageTest)
#include "receivedfilespage_test.moc"
