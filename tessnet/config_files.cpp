#include "config_files.h"

#include <cerrno>

#include "log.h"
#include "wire_text.h"

namespace tessnet {

ConfigFiles::~ConfigFiles() {
    Clear();
}

bool ConfigFiles::Acceptable(std::string_view gbkName) {
    const auto local = GbkToUtf8(gbkName);
    return local && IsSafeFileName(*local) && local->front() != '.';
}

bool ConfigFiles::Expect(std::string_view gbkName) {
    if (!Acceptable(gbkName)) return false;
    std::lock_guard lock(mutex_);
    files_.try_emplace(std::string(gbkName));
    return true;
}

bool ConfigFiles::Expecting() {
    std::lock_guard lock(mutex_);
    return !files_.empty();
}

void ConfigFiles::Clear() {
    std::lock_guard lock(mutex_);
    files_.clear();
}

ConfigFiles::Outcome ConfigFiles::Take(const std::string& folder, const FileChunk& chunk,
                                       ConnectionLog& log) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(chunk.name);
    if (it == files_.end() || folder.empty()) return Outcome::Unasked;
    PartFile& file = it->second;
    const auto local = GbkToUtf8(chunk.name);  // decodes: Expect checked the name
    if (!local) return Outcome::Unasked;

    if (chunk.number == 1 && chunk.offset == 0) {
        // The first chunk, or the server starting the file over.
        if (!file.Start(folder, *local, chunk.fileSize))
            log.Write("configuration file not started", chunk.name, errno);
    } else if (file.active() && !file.Follows(chunk.offset, chunk.fileSize)) {
        // A chunk out of order would leave a hole.
        log.Write("configuration chunk out of order", chunk.name);
        file.Abandon();
    }
    if (file.active() && !file.Append(chunk.data, chunk.length))
        log.Write("configuration chunk not written", chunk.name, errno);
    if (chunk.number != chunk.count) return Outcome::Taken;

    bool done = false;
    if (file.active()) {
        done = file.Finish();
        if (!done && errno != EILSEQ)
            log.Write("configuration file not put in place", chunk.name, errno);
    }
    files_.erase(it);
    return done ? Outcome::Finished : Outcome::GivenUp;
}

}  // namespace tessnet
