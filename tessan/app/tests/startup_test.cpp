// Start-up with real processes: copies of the real program, each copy in its own folder, so that
// nothing here ends a client someone else is running.
#include "core/startup/singleinstance.h"
#include "testsupport/waitfor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>

extern char** environ;

namespace tessan {
namespace {

using namespace std::chrono_literals;

// A started program; killed and reaped when the test lets go of it.
class Child {
  public:
    // `errorFile`, when given, receives the program's standard error.
    explicit Child(const QString& program, const QString& errorFile = {}) {
        const QByteArray path = QFile::encodeName(program);
        char* argv[] = {const_cast<char*>(path.constData()), const_cast<char*>("-platform"),
                        const_cast<char*>("offscreen"), nullptr};
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        const QByteArray errors = QFile::encodeName(errorFile);
        if (!errorFile.isEmpty())
            ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.constData(),
                                               O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (::posix_spawn(&pid_, path.constData(), &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        ::posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0; }
    // The wait status once the process has ended within `timeout`.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
        if (status_) return status_;
        WaitFor(
            [this] {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
                return status_.has_value();
            },
            timeout);
        return status_;
    }
    bool Running() { return !WaitForExit(0ms); }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

class StartUpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        program_ = dir_.filePath(QStringLiteral("tessan"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESSAN_PROGRAM), program_));
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    bool FoldersExist() const { return QDir(Path("cache")).exists() && QDir(Path("log")).exists(); }
    // True while some process holds the program folder's lock.
    bool LockHeld() const {
        const tessnet::UniqueFd fd(
            ::open(QFile::encodeName(Path("tessan.lock")).constData(), O_RDWR | O_CLOEXEC));
        return fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0;
    }

    QTemporaryDir dir_;
    QString program_;
};

TEST_F(StartUpTest, RunsTheWindowAndCreatesTheFoldersBesideTheProgram) {
    Child client(program_);
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(WaitFor([&] { return FoldersExist() && LockHeld(); }, 20s));
    EXPECT_TRUE(client.Running());
}

TEST_F(StartUpTest, ASecondCopyEndsTheFirstAndTakesOver) {
    Child first(program_);
    ASSERT_TRUE(WaitFor([&] { return FoldersExist() && LockHeld(); }, 20s));
    Child second(program_);
    const std::optional<int> firstStatus = first.WaitForExit(20s);
    ASSERT_TRUE(firstStatus);
    EXPECT_TRUE(WIFSIGNALED(*firstStatus));
    EXPECT_EQ(WTERMSIG(*firstStatus), SIGTERM);
    // The second copy claims the lock once the first is gone, and keeps running.
    ASSERT_TRUE(WaitFor([&] { return LockHeld(); }, 20s));
    EXPECT_TRUE(second.Running());
}

TEST_F(StartUpTest, ACopyThatCannotClaimTheLockSaysWhy) {
    // The lock is held by a process that is not this program (this test), as another user's copy
    // would hold it: no one ends it.
    std::optional<InstanceLock> held = InstanceLock::Claim(Path("tessan.lock"));
    ASSERT_TRUE(held);
    const QString errors = Path("stderr.txt");
    Child late(program_, errors);
    ASSERT_TRUE(late.Started());
    // The reason goes to the terminal and into a message box, which waits for the user.
    EXPECT_TRUE(WaitFor(
        [&] {
            QFile file(errors);
            return file.open(QIODevice::ReadOnly) &&
                   QString::fromLocal8Bit(file.readAll()).contains(u"Tessan不能启动"_qs);
        },
        20s));
    EXPECT_FALSE(QDir(Path("cache")).exists());

    QString whyNot;
    EXPECT_FALSE(InstanceLock::Claim(Path("tessan.lock"), &whyNot));
    EXPECT_TRUE(whyNot.contains(Path("tessan.lock")));
    EXPECT_FALSE(InstanceLock::Claim(Path("missing/tessan.lock"), &whyNot));
    EXPECT_TRUE(whyNot.startsWith(u"无法创建文件"_qs));
}

TEST(InstanceLock, SecondClaimFailsUntilTheFirstIsReleased) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tessan.lock"));
    std::optional<InstanceLock> first = InstanceLock::Claim(path);
    ASSERT_TRUE(first);
    EXPECT_FALSE(InstanceLock::Claim(path));
    first.reset();
    EXPECT_TRUE(InstanceLock::Claim(path));
    EXPECT_FALSE(InstanceLock::Claim(dir.filePath(QStringLiteral("missing/tessan.lock"))));
}

}  // namespace
}  // namespace tessan
