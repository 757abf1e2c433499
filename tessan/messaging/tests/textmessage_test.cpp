#include "messaging/textmessage.h"

#include "testsupport/scriptedmessageboxes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

struct Sent {
    QByteArray to;
    QString path;
    QString remote;
};

class TextMessageTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cache"))); }

    TextMessage Make(bool connects = true) {
        TextMessage m(
            dir.path(), boxes,
            [this, connects](const Recipient& to, const QString& path, const QString& remote) {
                sent.push_back({to.number, path, remote});
                return connects;
            });
        m.recipient = {"0086-10-7", "\xC0\xEE", "key"};
        return m;
    }
    QString Cache(const QString& name) const {
        return dir.filePath(QStringLiteral("cache/") + name);
    }
    QByteArray Read(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    std::vector<Sent> sent;
};

TEST_F(TextMessageTest, EmptySubjectOrBodyKeepsTheDialogOpen) {
    TextMessage m = Make();
    EXPECT_EQ(m.Ok(QString(), QStringLiteral("body")), TextMessage::Outcome::FocusSubject);
    EXPECT_EQ(m.Ok(QStringLiteral("s"), QString()), TextMessage::Outcome::StayOpen);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("请输入回复的主题!"),
                                          QStringLiteral("请输入回复的内容!")}));
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(QDir(Cache(QString())).isEmpty());
}

TEST_F(TextMessageTest, WritesGbkCrLfAndSendsUnderTheSubject) {
    TextMessage m = Make();
    EXPECT_EQ(m.Ok(QStringLiteral("周报"), QStringLiteral("第一行\n第二行")),
              TextMessage::Outcome::Accept);
    EXPECT_EQ(m.messageFilePath, Cache(QStringLiteral("周报.txt")));
    EXPECT_EQ(Read(m.messageFilePath),
              QByteArray("\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, "0086-10-7");
    EXPECT_EQ(sent[0].path, m.messageFilePath);
    EXPECT_EQ(sent[0].remote, QStringLiteral("周报.txt"));
    EXPECT_TRUE(boxes.Shown().empty());

    // The same subject again replaces the file.
    EXPECT_EQ(m.Ok(QStringLiteral("周报"), QStringLiteral("new")), TextMessage::Outcome::Accept);
    EXPECT_EQ(Read(m.messageFilePath), "new");
}

TEST_F(TextMessageTest, StaysOpenWhenTheRecipientCannotBeReached) {
    TextMessage m = Make(false);
    EXPECT_EQ(m.Ok(QStringLiteral("s"), QStringLiteral("b")), TextMessage::Outcome::StayOpen);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(Read(Cache(QStringLiteral("s.txt"))), "b");
}

TEST_F(TextMessageTest, CallerSendsOnlyWritesTheFile) {
    TextMessage m = Make();
    m.callerSends = 1;
    EXPECT_EQ(m.Ok(QStringLiteral("group"), QStringLiteral("hi")), TextMessage::Outcome::Accept);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(Read(Cache(QStringLiteral("group.txt"))), "hi");
    EXPECT_EQ(m.subject, QStringLiteral("group"));
}

TEST_F(TextMessageTest, SubjectLeavingTheCacheIsRefusedLikeAnUncreatableFile) {
    TextMessage m = Make();
    EXPECT_EQ(m.Ok(QStringLiteral("../escape"), QStringLiteral("x")), TextMessage::Outcome::Accept);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("无法建立回复文件，回复失败！")}));
    EXPECT_TRUE(m.messageFilePath.isEmpty());
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("escape.txt"))));
}

TEST_F(TextMessageTest, MissingCacheFolderReportsTheFile) {
    ASSERT_TRUE(QDir(Cache(QString())).removeRecursively());
    TextMessage m = Make();
    EXPECT_EQ(m.Ok(QStringLiteral("s"), QStringLiteral("b")), TextMessage::Outcome::Accept);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("无法建立回复文件，回复失败！")}));
    EXPECT_TRUE(sent.empty());
}

TEST_F(TextMessageTest, BodyGbkCannotHoldIsRefusedWithoutWriting) {
    TextMessage m = Make();
    EXPECT_EQ(m.Ok(QStringLiteral("s"), QStringLiteral("hi 😀")), TextMessage::Outcome::StayOpen);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].text.contains(QStringLiteral("😀")));
    EXPECT_FALSE(QFile::exists(Cache(QStringLiteral("s.txt"))));
    EXPECT_TRUE(sent.empty());
}

TEST_F(TextMessageTest, EmptyTextsKeepTheDialogsOwn) {
    TextMessage::Texts texts;
    texts.title = QStringLiteral("文字群发");
    texts.okText = QStringLiteral("确认");
    const TextMessage::Texts shown = TextMessage::Effective(texts);
    EXPECT_EQ(shown.title, QStringLiteral("文字群发"));
    EXPECT_EQ(shown.recipientLabel, QStringLiteral("回复给："));
    EXPECT_EQ(shown.subjectLabel, QStringLiteral("回复主题:"));
    EXPECT_EQ(shown.bodyLabel, QStringLiteral("请在下面编写你要回复的内容:"));
    EXPECT_EQ(shown.okText, QStringLiteral("确认"));
    EXPECT_EQ(shown.cancelText, QStringLiteral("取消"));
}

}  // namespace
}  // namespace tessan
