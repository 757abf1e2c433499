#include "part_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

namespace tessnet {

namespace {

// Of the target's name, the part file keeps at most this much: the dot and the suffix must still
// fit a file name (255 bytes) when the target's name nearly fills one.
constexpr std::size_t kStemMax = 200;

// `name` cut to at most kStemMax bytes, not inside a UTF-8 character.
std::string_view Stem(std::string_view name) {
    if (name.size() <= kStemMax) return name;
    std::size_t cut = kStemMax;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

// A new file in `folder` that nobody else has: hidden, created exclusively, never through a link.
UniqueFd CreateFresh(const std::string& folder, const std::string& localName, std::string& path) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".part-%ld-%u", static_cast<long>(getpid()),
                      serial.fetch_add(1));
        path = folder + "/.";
        path += Stem(localName);
        path += suffix;
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
