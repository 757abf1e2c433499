// Owning wrappers for descriptors and temporary files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "unique_fd.h"

namespace tessd {

// The library's descriptor owner; the server links the library's core anyway.
using UniqueFd = tessnet::UniqueFd;

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
        fd_.reset();
        return std::exchange(path_, {});
    }
    void Discard() {
        fd_.reset();
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
