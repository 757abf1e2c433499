// A file rebuilt from consecutive pieces in a new file of the library's own beside its target,
// renamed over the target only once whole. A broken transfer therefore never touches a file of
// the target's name, and a server can neither truncate nor write through a file (or a link) the
// library did not create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "unique_fd.h"

namespace tessnet {

class PartFile {
  public:
    PartFile() = default;
    // Removes the part file of an unfinished file.
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Starts the file `localName` (a plain UTF-8 name) of `size` bytes in `folder`, dropping an
    // unfinished one. False, with errno set, when the part file cannot be created.
    bool Start(const std::string& folder, const std::string& localName, std::uint64_t size);
    bool active() const { return fd_.valid(); }
    // The piece at `offset` of a file of `fileSize` bytes is the one that must come next.
    bool Follows(std::uint64_t offset, std::uint64_t fileSize) const {
        return active() && offset == received_ && fileSize == size_;
    }
    // Writes the next piece. False, with errno set, when the write failed; the file is dropped.
    bool Append(const std::uint8_t* data, std::size_t length);
    // Every byte arrived: renames the file over its target. False, with errno set, when it is not
    // whole (EILSEQ) or the rename failed; the part file is gone either way.
    bool Finish();
    // Removes the part file; nothing to do when none is active.
    void Abandon();

  private:
    std::string tempPath_;
    std::string target_;
    UniqueFd fd_;
    std::uint64_t size_ = 0;
    std::uint64_t received_ = 0;
};

}  // namespace tessnet
