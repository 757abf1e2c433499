// The files a connection's server sends (command 31 chunks). Each is rebuilt in a PartFile
// beside its target in the download folder and takes the target's name only once every chunk
// arrived in order and was written. A file that fails is removed at once and remembered until the
// server's answer for it (type 7), which then tells the host; an older file of its name stays.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "file_chunk.h"
#include "part_file.h"
#include "progress.h"

namespace tessnet {

class ConnectionLog;

class Downloads {
  public:
    explicit Downloads(ConnectionLog& log) : log_(log) {}

    struct Taken {
        bool completed = false;  // the file is whole and under its name
        bool notify = false;     // the host hears of this chunk (with the percentage given)
    };

    // Reader thread. Whether the host would hear of `chunk` if it is taken: it starts or ends its
    // file, or changes the percentage the host last heard for that file.
    bool WouldNotify(const FileChunk& chunk, const Percentage& percentage);
    // Reader thread: writes `chunk` into its file in `folder`; what is refused or fails is logged
    // and fails the file.
    Taken Take(const std::string& folder, const FileChunk& chunk, const Percentage& percentage);
    // Reader thread: the server answered for the file `plainName` (type 7). True when that file is
    // unfinished or failed: it is removed and forgotten, and the host must hear that it failed.
    bool Answered(std::string_view plainName);
    // Reader thread, the server closed: the plain names of the files unfinished or failed, which
    // are removed and forgotten.
    std::vector<std::string> TakeUnfinished();
    // Host thread, the connection closes: every part file is removed, later chunks are dropped.
    void Clear();

  private:
    struct File {
        PartFile part;
        bool failed = false;  // removed; the host hears of it with the server's answer
        std::uint32_t count = 0;
        std::uint32_t number = 0;  // of the last chunk written
        Percentage heard;          // what the host last heard
    };
    Taken Fail(File& file, std::string_view storedName, const char* what, int error = 0);

    ConnectionLog& log_;
    std::mutex mutex_;  // held during a chunk's write, so Clear never races one
    std::map<std::string, File, std::less<>> files_;  // by plain GBK name
    bool closed_ = false;
};

}  // namespace tessnet
