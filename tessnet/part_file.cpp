#include "part_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace tessnet {

namespace {

// A new file in `folder` that nobody else has: hidden, created exclusively, never through a link.
UniqueFd CreateFresh(const std::string& folder, const std::string& localName, std::string& path) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".part-%ld-%u", static_cast<long>(getpid()),
                      serial.fetch_add(1));
        path = folder + "/." + localName + suffix;
        UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.valid() || errno != EEXIST) {
            if (!fd.valid()) path.clear();
            return fd;
        }
    }
    path.clear();
    return {};
}

}  // namespace

PartFile::~PartFile() {
    Abandon();
}

bool PartFile::Start(const std::string& folder, const std::string& localName, std::uint64_t size) {
    Abandon();
    fd_ = CreateFresh(folder, localName, tempPath_);
    if (!fd_.valid()) return false;
    target_ = folder + "/" + localName;
    size_ = size;
    received_ = 0;
    return true;
}

bool PartFile::Append(const std::uint8_t* data, std::size_t length) {
    if (!active()) {
        errno = EBADF;
        return false;
    }
    for (std::size_t done = 0; done < length;) {
        const ssize_t w =
            pwrite(fd_.get(), data + done, length - done, static_cast<off_t>(received_ + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = EIO;
            const int error = errno;
            Abandon();
            errno = error;
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    received_ += length;
    return true;
}

bool PartFile::Finish() {
    if (!active() || received_ != size_) {
        Abandon();
        errno = EILSEQ;
        return false;
    }
    // A file system that reports a lost write only at close (NFS) must not complete the file.
    if (close(fd_.release()) != 0 || rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Abandon();
        errno = error;
        return false;
    }
    tempPath_.clear();
    return true;
}

void PartFile::Abandon() {
    fd_.reset();
    if (!tempPath_.empty()) unlink(tempPath_.c_str());
    tempPath_.clear();
    target_.clear();
    size_ = 0;
    received_ = 0;
}

}  // namespace tessnet
