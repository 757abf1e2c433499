#include "core/login/rememberedlogins.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tessan {
namespace {

class RememberedLoginsTest : public ::testing::Test {
  protected:
    QString FilePath() const { return dir_.filePath(QStringLiteral("remember.ini")); }
    QByteArray FileBytes() const {
        QFile file(FilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QByteArray& bytes) {
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // What an accepted login does: load (the dialog's set-up), then save.
    bool Login(const char* number, const char* key) {
        RememberedLogins logins(dir_.path());
        logins.Load();
        return logins.SaveRememberedLogin(RememberedLogin(number, key));
    }
    static QStringList Numbers(const RememberedLogins& logins) {
        QStringList numbers;
        for (int i = 0; i < logins.Count(); ++i)
            numbers << QString::fromLatin1(logins.Record(i).Number());
        return numbers;
    }

    QTemporaryDir dir_;
};

TEST_F(RememberedLoginsTest, FileLayoutIsAPlainHeaderAndMaskedRecords) {
    ASSERT_TRUE(Login("0086-10-1", "secret"));
    const QByteArray bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 4 + 64);
    EXPECT_EQ(bytes.left(4), QByteArray("\0\0\0\0", 4));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[4]), '0' ^ 0x5C);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[4 + 31]), 0x5C);  // zero byte, masked
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[4 + 32]), 's' ^ 0x5C);

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(FilePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RememberedLoginsTest, SameNumberUpdatesItsRecordNewNumberAppends) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    ASSERT_TRUE(Login("0086-10-2", "b"));
    ASSERT_TRUE(Login("0086-10-1", "c"));

    RememberedLogins logins(dir_.path());
    EXPECT_EQ(logins.Load(), 2);
    EXPECT_EQ(Numbers(logins), (QStringList{u"0086-10-1"_qs, u"0086-10-2"_qs}));
    EXPECT_EQ(logins.LastUsedIndex(), 0);
    EXPECT_EQ(logins.Record(0).PrivateKey(), "c");

    ASSERT_TRUE(Login("0086-10-3", "d"));
    EXPECT_EQ(logins.Load(), 3);
    EXPECT_EQ(logins.LastUsedIndex(), 2);
}

TEST_F(RememberedLoginsTest, ARecordWithoutKeyHasAnAllZeroKeyHalf) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    ASSERT_TRUE(Login("0086-10-2", ""));
    RememberedLogins logins(dir_.path());
    logins.Load();
    EXPECT_TRUE(logins.Record(0).HasPrivateKey());
    EXPECT_FALSE(logins.Record(1).HasPrivateKey());
    for (std::size_t i = 32; i < 64; ++i) EXPECT_EQ(logins.Record(1).Bytes()[i], 0) << i;
}

TEST_F(RememberedLoginsTest, OddLengthsLoadOnlyWholeRecords) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    ASSERT_TRUE(Login("0086-10-2", "b"));
    const QByteArray whole = FileBytes();
    ASSERT_EQ(whole.size(), 4 + 128);
    for (const qsizetype length : {qsizetype(0), qsizetype(3), qsizetype(4), qsizetype(4 + 63),
                                   qsizetype(4 + 64), qsizetype(4 + 127), qsizetype(128)}) {
        WriteFile(whole.left(length));
        RememberedLogins logins(dir_.path());
        const int expected = length >= 4 ? static_cast<int>((length - 4) / 64) : 0;
        EXPECT_EQ(logins.Load(), expected) << length;
    }
}

TEST_F(RememberedLoginsTest, AppendAfterATornTailStaysAligned) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    WriteFile(FileBytes() + QByteArray(10, 'z'));
    ASSERT_TRUE(Login("0086-10-2", "b"));
    EXPECT_EQ(FileBytes().size(), 4 + 128);
    RememberedLogins logins(dir_.path());
    EXPECT_EQ(logins.Load(), 2);
    EXPECT_EQ(logins.Record(1).Number(), QByteArray("0086-10-2"));
    EXPECT_EQ(logins.LastUsedIndex(), 1);
}

TEST_F(RememberedLoginsTest, LastUsedIndexOutsideTheRecordsSelectsNothing) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    QByteArray bytes = FileBytes();
    for (const QByteArray& header :
         {QByteArray("\x05\0\0\0", 4), QByteArray("\xFE\xFF\xFF\xFF", 4)}) {
        bytes.replace(0, 4, header);
        WriteFile(bytes);
        RememberedLogins logins(dir_.path());
        EXPECT_EQ(logins.Load(), 1);
        EXPECT_EQ(logins.LastUsedIndex(), -1);
    }
}

TEST_F(RememberedLoginsTest, UnterminatedNumberIsReadOnlyToItsFieldEnd) {
    QByteArray record(64, static_cast<char>('7' ^ 0x5C));  // 64 digits, no terminator anywhere
    WriteFile(QByteArray("\0\0\0\0", 4) + record);
    RememberedLogins logins(dir_.path());
    ASSERT_EQ(logins.Load(), 1);
    EXPECT_EQ(logins.Record(0).Number(), QByteArray(32, '7'));
    EXPECT_EQ(logins.Record(0).PrivateKey(), QByteArray(32, '7'));
}

TEST_F(RememberedLoginsTest, ClearDeletesTheFileAndALaterSaveStartsAfresh) {
    ASSERT_TRUE(Login("0086-10-1", "a"));
    ASSERT_TRUE(Login("0086-10-2", "b"));
    RememberedLogins logins(dir_.path());
    logins.Load();
    logins.Clear();
    EXPECT_FALSE(QFile::exists(FilePath()));
    EXPECT_EQ(logins.Count(), 0);
    EXPECT_EQ(logins.LastUsedIndex(), -1);

    // The same dialog saves the second number again: one record at index 0, not a gap of zeros.
    ASSERT_TRUE(logins.SaveRememberedLogin(RememberedLogin("0086-10-2", "b")));
    EXPECT_EQ(FileBytes().size(), 4 + 64);
    EXPECT_EQ(logins.Load(), 1);
    EXPECT_EQ(Numbers(logins), QStringList{u"0086-10-2"_qs});
}

TEST_F(RememberedLoginsTest, UnwritableFolderFailsTheSave) {
    RememberedLogins logins(dir_.filePath(QStringLiteral("missing-folder")));
    EXPECT_EQ(logins.Load(), 0);
    EXPECT_FALSE(logins.SaveRememberedLogin(RememberedLogin("0086-10-1", "a")));
}

}  // namespace
}  // namespace tessan
