#include "messaging/messagefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

const QString kDir = QStringLiteral("/opt/tessan");
const QString kTxt = QStringLiteral(".txt");

TEST(CacheMessagePath, NamesAFileInsideTheCacheFolder) {
    EXPECT_EQ(CacheMessagePath(kDir, QStringLiteral("周报"), kTxt),
              QStringLiteral("/opt/tessan/cache/周报.txt"));
    EXPECT_EQ(CacheMessagePath(kDir, QStringLiteral("a.b c"), QStringLiteral(".wav")),
              QStringLiteral("/opt/tessan/cache/a.b c.wav"));
}

TEST(CacheMessagePath, RefusesSubjectsThatLeaveTheFolderOrTheFields) {
    for (const QString& subject :
         {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
          QStringLiteral("a/b"), QStringLiteral("/etc/passwd"), QStringLiteral("a\\b"),
          QStringLiteral("a\nb"), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")})
        EXPECT_FALSE(CacheMessagePath(kDir, subject, kTxt)) << subject.toStdString();

    // 250 ASCII characters fit every field; 250 Chinese ones are 750 bytes of UTF-8.
    EXPECT_TRUE(CacheMessagePath(kDir, QString(kSubjectMaxLength - 20, QLatin1Char('x')), kTxt));
    EXPECT_FALSE(CacheMessagePath(kDir, QString(kSubjectMaxLength, QChar(0x5468)), kTxt));
    // The local path's field counts the whole path.
    const QString deep = QStringLiteral("/") + QString(200, QLatin1Char('d'));
    EXPECT_FALSE(CacheMessagePath(deep, QString(60, QLatin1Char('x')), kTxt));
}

TEST(TextMessageBytes, GbkWithCrLfLineEnds) {
    EXPECT_EQ(TextMessageBytes(QStringLiteral("中\n文\r\nx\ry")),
              QByteArray("\xD6\xD0\r\n\xCE\xC4\r\nx\r\ny"));
    EXPECT_EQ(TextMessageBytes(QStringLiteral("\t\tend")), QByteArray("\t\tend"));
}

TEST(WriteTextMessage, WritesOnlyWhatCanBeAFileOfTheCache) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"cache"_qs));
    const auto path = WriteTextMessage(dir.path(), u"周报"_qs, u"中\n文"_qs);
    ASSERT_EQ(path, dir.filePath(u"cache/周报.txt"_qs));
    QFile file(*path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xD6\xD0\r\n\xCE\xC4"));
    EXPECT_FALSE(WriteTextMessage(dir.path(), u"../x"_qs, u"a"_qs));
    EXPECT_FALSE(WriteTextMessage(dir.path(), u"x"_qs, u"😀"_qs));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"cache/x.txt"_qs)));
    ASSERT_TRUE(QDir(dir.filePath(u"cache"_qs)).removeRecursively());
    EXPECT_FALSE(WriteTextMessage(dir.path(), u"周报"_qs, u"a"_qs));
}

TEST(FirstNonGbkCharacter, FindsCharactersGbkCannotHold) {
    EXPECT_EQ(FirstNonGbkCharacter(QStringLiteral("你好，世界 abc ①")), -1);
    EXPECT_EQ(FirstNonGbkCharacter(QStringLiteral("ok 😀")), 3);
    EXPECT_EQ(FirstNonGbkCharacter(QStringLiteral("한국")), 0);
    EXPECT_EQ(FirstNonGbkCharacter(QString()), -1);
}

}  // namespace
}  // namespace tessan
