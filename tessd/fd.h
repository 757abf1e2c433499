// Owning wrappers for descriptors and temporary files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace tessd {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

// A file being written that disappears unless it is handed over with Release().
class TempFile {
  public:
    TempFile() = default;
    TempFile(std::filesystem::path path, UniqueFd fd)
        : path_(std::move(path)), fd_(std::move(fd)) {}
    ~TempFile() { Discard(); }
    TempFile(TempFile&& other) noexcept
        : path_(std::exchange(other.path_, {})), fd_(std::move(other.fd_)) {}
    TempFile& operator=(TempFile&& other) noexcept {
        if (this != &other) {
            Discard();
            path_ = std::exchange(other.path_, {});
            fd_ = std::move(other.fd_);
        }
        return *this;
    }

    int fd() const { return fd_.get(); }
    const std::filesystem::path& path() const { return path_; }
    // Closes the file and gives up ownership of the path.
    std::filesystem::path Release() {
        fd_.Reset();
        return std::exchange(path_, {});
    }
    void Discard() {
        fd_.Reset();
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove(path_, ec);
            path_.clear();
        }
    }

  private:
    std::filesystem::path path_;
    UniqueFd fd_;
};

}  // namespace tessd
