#include "core/startup/localfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

TEST(LocalFiles, ProgramFolderIsTheFolderOfTheRunningProgram) {
    const QString folder = ProgramFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QFileInfo(LocalPath(folder, u"tessan_core_tests")).isExecutable());
}

TEST(LocalFiles, WorkingFoldersAreCreatedAndAnExistingOneIsNoError) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("log"));
    CreateWorkingFolders(dir.path());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("cache"))).isDir());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("log"))).isDir());
}

TEST(LocalFiles, ParameterByteIsTheFirstByteOfParaIni) {
    QTemporaryDir dir;
    std::uint8_t parameter = 0x42;
    EXPECT_FALSE(ReadParameterFile(dir.path(), parameter));
    EXPECT_EQ(parameter, 0x42);

    QFile file(dir.filePath(QStringLiteral("para.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(ReadParameterFile(dir.path(), parameter));
    EXPECT_EQ(parameter, 0x42);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xF0\x01", 2);
    file.close();
    EXPECT_TRUE(ReadParameterFile(dir.path(), parameter));
    EXPECT_EQ(parameter, 0xF0);
}

}  // namespace
}  // namespace tessan
