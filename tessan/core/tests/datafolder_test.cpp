// Where the client keeps its files: the program folder of a build tree or an unpacked copy, the
// user's data folder for an installed or read-only copy; and which serverlist.ini it reads.
#include "core/startup/datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tessan {
namespace {

bool Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

TEST(DataFolderTest, ProgramFolderOnlyWhileWritableAndNotInstalled) {
    const QString program = QStringLiteral("/opt/tessan");
    const QString user = QStringLiteral("/home/li/.local/share/tessan");
    const DataFolder own = ChooseDataFolder(program, user, true, false);
    EXPECT_EQ(own.path, program);
    EXPECT_TRUE(own.programFolder);
    const DataFolder readOnly = ChooseDataFolder(program, user, false, false);
    EXPECT_EQ(readOnly.path, user);
    EXPECT_FALSE(readOnly.programFolder);
    // Root may write into /usr/bin; an installed copy still keeps out of it.
    const DataFolder installed = ChooseDataFolder(QStringLiteral("/usr/bin"), user, true, true);
    EXPECT_EQ(installed.path, user);
    EXPECT_FALSE(installed.programFolder);
    EXPECT_TRUE(ChooseDataFolder(QString(), user, false, false).path.isEmpty());
}

TEST(DataFolderTest, InstalledLayoutIsBinBesideTheLibrary) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_FALSE(IsInstalledLayout(bin));
    ASSERT_TRUE(Touch(prefix.filePath(QStringLiteral("lib/tessan/libtessnet.so"))));
    EXPECT_TRUE(IsInstalledLayout(bin));
    EXPECT_TRUE(IsInstalledLayout(bin + QLatin1Char('/')));
    // The build tree: build/tessan/tessan, its library in build/tessnet.
    const QString buildTree = prefix.filePath(QStringLiteral("build/tessan"));
    ASSERT_TRUE(QDir().mkpath(buildTree));
    EXPECT_FALSE(IsInstalledLayout(buildTree));
    EXPECT_FALSE(IsInstalledLayout(QString()));
}

TEST(DataFolderTest, TheUpdaterIsBesideAnUnpackedProgramAndAnInstalledCopyHasNone) {
    // Not the data folder: a read-only unpacked copy keeps its files elsewhere, its updater not.
    EXPECT_EQ(UpdaterProgram(QStringLiteral("/opt/tessan"), false),
              QStringLiteral("/opt/tessan/Renovator"));
    EXPECT_TRUE(UpdaterProgram(QStringLiteral("/usr/bin"), true).isEmpty());
    EXPECT_TRUE(UpdaterProgram(QString(), false).isEmpty());
}

TEST(DataFolderTest, ReadOnlyFolderIsNotWritable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(IsWritableFolder(dir.path()));
    EXPECT_FALSE(IsWritableFolder(dir.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(IsWritableFolder(QString()));
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    EXPECT_FALSE(IsWritableFolder(dir.path()));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

// The real choice, with a home of the test's own.
class LocateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QCoreApplication::setApplicationName(QStringLiteral("tessan"));
        Set("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")));
        Set("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")));
        Set("XDG_CONFIG_DIRS", home_.filePath(QStringLiteral("etc-xdg")));
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    void Set(const char* name, const QString& value) {
        saved_.emplace_back(name, qgetenv(name));
        qputenv(name, QFile::encodeName(value));
    }
    QString Path(const char* name) const { return home_.filePath(QString::fromUtf8(name)); }

    QTemporaryDir home_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(LocateTest, InstalledCopyUsesAPrivateUserDataFolder) {
    ASSERT_TRUE(Touch(Path("usr/lib/tessan/libtessnet.so")));
    ASSERT_TRUE(QDir().mkpath(Path("usr/bin")));
    const DataFolder data = LocateDataFolder(Path("usr/bin"));
    EXPECT_EQ(data.path, Path("data/tessan"));
    EXPECT_FALSE(data.programFolder);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(data.path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(LocateTest, WritableProgramFolderKeepsItsFiles) {
    ASSERT_TRUE(QDir().mkpath(Path("unpacked")));
    const DataFolder data = LocateDataFolder(Path("unpacked"));
    EXPECT_EQ(data.path, Path("unpacked"));
    EXPECT_TRUE(data.programFolder);
    EXPECT_FALSE(QFileInfo::exists(Path("data/tessan")));
}

TEST_F(LocateTest, ServerListFromTheDataFolderThenTheUsersThenTheSystems) {
    const DataFolder installed{Path("data/tessan"), false};
    const QString own = Path("data/tessan/serverlist.ini");
    // None anywhere: the data folder's, found missing by the lookup (built-in default server).
    EXPECT_EQ(ServerListFile(installed), own);
    ASSERT_TRUE(Touch(Path("etc-xdg/tessan/serverlist.ini")));
    EXPECT_EQ(ServerListFile(installed), Path("etc-xdg/tessan/serverlist.ini"));
    ASSERT_TRUE(Touch(Path("config/tessan/serverlist.ini")));
    EXPECT_EQ(ServerListFile(installed), Path("config/tessan/serverlist.ini"));
    ASSERT_TRUE(Touch(own));
    EXPECT_EQ(ServerListFile(installed), own);
    // A build tree reads only its own, as it always has.
    const DataFolder buildTree{Path("build"), true};
    EXPECT_EQ(ServerListFile(buildTree), Path("build/serverlist.ini"));
}

}  // namespace
}  // namespace tessan
