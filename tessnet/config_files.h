// The configuration files (command 129 chunks) a connection may receive: only those the host
// asked for with DownLoadIni on that connection and has not received yet, each rebuilt in a
// PartFile, so a server cannot write a name nobody asked for and a broken download leaves the old
// file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "file_chunk.h"
#include "part_file.h"

namespace tessnet {

class ConnectionLog;

class ConfigFiles {
  public:
    ConfigFiles() = default;
    ~ConfigFiles();
    ConfigFiles(const ConfigFiles&) = delete;
    ConfigFiles& operator=(const ConfigFiles&) = delete;

    // A name the host may ask for: GBK, a plain name inside the folder, not hidden.
    static bool Acceptable(std::string_view gbkName);
    // Host thread: DownLoadIni asked for `gbkName`. False when the name is not acceptable.
    bool Expect(std::string_view gbkName);

    enum class Outcome {
        Unasked,   // dropped: nobody asked for that name (or it arrived already)
        Taken,     // written (or skipped: the file already failed), more chunks to come
        Finished,  // the file's last chunk: the file is in place
        GivenUp,   // the file's last chunk, but the file could not be rebuilt: the old one stays
    };
    // Reader thread: one chunk whose fields are consistent, for the file in `folder`. What fails
    // goes to `log`.
    Outcome Take(const std::string& folder, const FileChunk& chunk, ConnectionLog& log);
    // Files asked for and not finished.
    bool Expecting();
    // The connection closed: unfinished files are removed, requests forgotten.
    void Clear();

  private:
    std::mutex mutex_;
    std::map<std::string, PartFile, std::less<>> files_;  // by GBK name; inactive until chunk 1
};

}  // namespace tessnet
