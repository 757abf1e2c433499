#include "core/login/rememberedlogins.h"

#include "core/startup/localfiles.h"
#include "unique_fd.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>

namespace tessan {
namespace {

// More records than anyone remembers; a larger file is damaged and only its start is read.
constexpr std::size_t kMaxRecords = 65536;

void Scramble(std::span<std::uint8_t> bytes) {
    for (std::uint8_t& b : bytes) b ^= RememberedLogins::kMask;
}

// pread until `size` bytes or the end of the file; returns the bytes read, -1 on error.
ssize_t ReadAt(int fd, std::uint8_t* out, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool WriteAt(int fd, const std::uint8_t* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

RememberedLogin::RememberedLogin(QByteArrayView number, QByteArrayView privateKey) {
    const std::span<std::uint8_t> all(bytes_);
    WriteFixedField(all.subspan(kNumberOffset, kFieldWidth), number);
    WriteFixedField(all.subspan(kKeyOffset, kFieldWidth), privateKey);
}

QByteArray RememberedLogin::Number() const {
    return ReadFixedField(std::span(bytes_).subspan(kNumberOffset, kFieldWidth));
}

QByteArray RememberedLogin::PrivateKey() const {
    return ReadFixedField(std::span(bytes_).subspan(kKeyOffset, kFieldWidth));
}

RememberedLogins::RememberedLogins(QString appDir) : path_(LocalPath(appDir, u"remember.ini")) {}

int RememberedLogins::Load() {
    lastUsed_ = -1;
    records_.clear();
    const tessnet::UniqueFd fd(::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.valid() && ::fstat(fd.get(), &info) == 0) {
        std::uint8_t header[kHeaderSize] = {};
        // A file too short for its header has neither a last-used index nor records.
        if (ReadAt(fd.get(), header, kHeaderSize, 0) == static_cast<ssize_t>(kHeaderSize)) {
            const auto length = static_cast<std::size_t>(info.st_size);
            const std::size_t wanted =
                std::min(length / RememberedLogin::kSize, kMaxRecords) * RememberedLogin::kSize;
            std::vector<std::uint8_t> buffer(wanted);
            const ssize_t got = ReadAt(fd.get(), buffer.data(), wanted, kHeaderSize);
            const std::size_t count =
                got > 0 ? static_cast<std::size_t>(got) / RememberedLogin::kSize : 0;
            records_.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                std::copy_n(
                    buffer.begin() + static_cast<std::ptrdiff_t>(i * RememberedLogin::kSize),
                    RememberedLogin::kSize, records_[i].Bytes().begin());
                Scramble(records_[i].Bytes());
            }
            // A damaged header may name a record that is not there.
            lastUsed_ = std::max(-1, qFromLittleEndian<std::int32_t>(header));
        }
    }
    return Count();
}

bool RememberedLogins::SaveRememberedLogin(const RememberedLogin& login) {
    const QByteArray number = login.Number();
    const auto match = std::find_if(records_.begin(), records_.end(),
                                    [&](const RememberedLogin& r) { return r.Number() == number; });

    const tessnet::UniqueFd fd(
        ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid()) return false;
    ::fchmod(fd.get(), 0600);  // an older file may have been created with wider rights

    std::size_t index = 0;
    if (match != records_.end()) {
        index = static_cast<std::size_t>(match - records_.begin());
    } else {
        // Append after the last whole record. A torn tail (a length that is not 4 + 64 n) is
        // overwritten rather than appended to, so the new record stays aligned and readable.
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0) return false;
        const auto length = static_cast<std::size_t>(info.st_size);
        const std::size_t whole =
            length >= kHeaderSize ? (length - kHeaderSize) / RememberedLogin::kSize : 0;
        index = std::max(records_.size(), whole);
    }

    std::uint8_t header[kHeaderSize];
    qToLittleEndian(static_cast<std::int32_t>(index), header);
    std::array<std::uint8_t, RememberedLogin::kSize> scrambled = login.Bytes();
    Scramble(scrambled);
    return WriteAt(fd.get(), header, kHeaderSize, 0) &&
           WriteAt(fd.get(), scrambled.data(), scrambled.size(),
                   static_cast<off_t>(kHeaderSize + index * RememberedLogin::kSize));
}

void RememberedLogins::Clear() {
    QFile::remove(path_);
    // A later save must not write at an index of the deleted file.
    records_.clear();
    lastUsed_ = -1;
}

}  // namespace tessan
