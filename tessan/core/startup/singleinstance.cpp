#include "core/startup/singleinstance.h"

#include "core/startup/localfiles.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tessan {
namespace {

// The executable behind /proc/<pid>/exe; a replaced program file reads "<path> (deleted)", which
// still counts as this program.
std::string ExecutableOf(const std::string& procDir) {
    std::string target(4096, '\0');
    const ssize_t n = ::readlink((procDir + "/exe").c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};
    target.resize(static_cast<std::size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    return target;
}

bool IsOtherCopy(const std::string& procDir, const std::string& ownExe) {
    struct stat info {};
    if (::stat(procDir.c_str(), &info) != 0 || info.st_uid != ::getuid()) return false;
    return ExecutableOf(procDir) == ownExe;
}

int PidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool PidfdSignal(int pidfd, int signal) {
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) == 0;
}

}  // namespace

int EndOtherCopies(std::chrono::milliseconds timeout) {
    const std::string ownExe = ExecutableOf("/proc/self");
    if (ownExe.empty()) return 0;
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;  // like a failed process snapshot: the step is skipped
    const pid_t self = ::getpid();
    int signalled = 0;
    std::vector<tessnet::UniqueFd> waiting;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const std::string procDir = "/proc/" + std::string(entry->d_name);
        if (!IsOtherCopy(procDir, ownExe)) continue;
        tessnet::UniqueFd pidfd(PidfdOpen(static_cast<pid_t>(pid)));
        if (!pidfd.valid()) {
            // Kernels without pidfds: signal by number, nothing to wait on.
            if (errno == ENOSYS && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0) ++signalled;
            continue;
        }
        // Check again through the pidfd's process: the number may have been reused meanwhile.
        if (!IsOtherCopy(procDir, ownExe) || !PidfdSignal(pidfd.get(), SIGTERM)) continue;
        ++signalled;
        waiting.push_back(std::move(pidfd));
    }
    ::closedir(proc);

    // A pidfd becomes readable when its process has ended; the lock is free by then.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (const tessnet::UniqueFd& pidfd : waiting) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{pidfd.get(), POLLIN, 0};
            const int rc = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (rc < 0 && errno == EINTR) continue;
            break;
        }
    }
    return signalled;
}

std::optional<InstanceLock> InstanceLock::Claim(const QString& lockPath, QString* whyNot) {
    tessnet::UniqueFd fd(
        ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        // A read-only or foreign program folder.
        if (whyNot)
            *whyNot = QStringLiteral("无法创建文件%1(%2)，Tessan不能启动。")
                          .arg(lockPath, QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        // Another user's copy, or a process that is not this program, holds the folder.
        if (whyNot)
            *whyNot = QStringLiteral("另一个用户或程序正在使用%1，Tessan不能启动。").arg(lockPath);
        return std::nullopt;
    }
    return InstanceLock(std::move(fd));
}

std::optional<InstanceLock> PrepareStartUp(const QString& appDir, QString* whyNot) {
    // Without its folder the client has nowhere to keep its lock and files ("/tessan.lock" is not
    // an option).
    if (appDir.isEmpty()) {
        if (whyNot) *whyNot = QStringLiteral("无法确定程序所在的目录，Tessan不能启动。");
        return std::nullopt;
    }
    EndOtherCopies(std::chrono::seconds(5));
    std::optional<InstanceLock> lock =
        InstanceLock::Claim(LocalPath(appDir, u"tessan.lock"), whyNot);
    if (lock) CreateWorkingFolders(appDir);
    return lock;
}

}  // namespace tessan
