#include "downloads.h"

#include <cerrno>

#include "log.h"
#include "wire_text.h"

namespace tessnet {

namespace {

bool Starts(const FileChunk& chunk) {
    return chunk.number == 1 && chunk.offset == 0;
}

}  // namespace

bool Downloads::WouldNotify(const FileChunk& chunk, const Percentage& percentage) {
    if (Starts(chunk) || chunk.number == chunk.count) return true;
    const auto split = StoredName::Split(chunk.name);
    if (!split) return false;
    std::lock_guard lock(mutex_);
    const auto it = files_.find(split->name);
    return it != files_.end() && it->second.part.active() && !(it->second.heard == percentage);
}

Downloads::Taken Downloads::Fail(File& file, std::string_view storedName, const char* what,
                                 int error) {
    // One line per failed file: the chunks that follow it tell nothing new.
    if (!file.failed) log_.Write(what, storedName, error);
    file.part.Abandon();
    file.failed = true;
    return {};
}

Downloads::Taken Downloads::Take(const std::string& folder, const FileChunk& chunk,
                                 const Percentage& percentage) {
    const auto split = StoredName::Split(chunk.name);
    if (!split) {
        log_.Write("download chunk without the sender's \"@\" refused", chunk.name);
        return {};
    }
    const std::string_view plain = split->name;
    std::lock_guard lock(mutex_);
    if (closed_) return {};
    // Found without a key string: building one for every chunk would allocate per chunk.
    auto it = files_.find(plain);
    if (it == files_.end()) it = files_.try_emplace(std::string(plain)).first;
    File& file = it->second;
    if (!chunk.consistent)
        return Fail(file, chunk.name, "download chunk contradicts itself, file given up");
    const bool starts = Starts(chunk);
    if (starts) {
        // A new file: an earlier one under this name that failed is forgotten.
        file.failed = false;
        file.count = chunk.count;
        file.number = 0;
        file.heard = {};
        const auto local = LocalFileName(plain);
        if (!local || folder.empty()) return Fail(file, chunk.name, "download name refused");
        if (!file.part.Start(folder, *local, chunk.fileSize))
            return Fail(file, chunk.name, "download file not created", errno);
    } else if (!file.part.active()) {
        return Fail(file, chunk.name, "download chunk of a file that did not start");
    } else if (!file.part.Follows(chunk.offset, chunk.fileSize) || chunk.count != file.count ||
               chunk.number != file.number + 1) {
        return Fail(file, chunk.name, "download chunk out of order, file given up");
    }
    if (!file.part.Append(chunk.data, chunk.length))
        return Fail(file, chunk.name, "download chunk not written", errno);
    file.number = chunk.number;
    if (chunk.number == chunk.count) {
        if (file.part.Finish()) {
            files_.erase(it);
            return {true, true};
        }
        if (errno == EILSEQ)
            return Fail(file, chunk.name, "download shorter than its size, file given up");
        return Fail(file, chunk.name, "download not put under its name", errno);
    }
    const bool notify = starts || !(file.heard == percentage);
    if (notify) file.heard = percentage;
    return {false, notify};
}

bool Downloads::Answered(std::string_view plainName) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(plainName);
    if (it == files_.end()) return false;
    if (it->second.part.active())
        log_.Write("download answered before its last chunk, file given up", plainName);
    files_.erase(it);
    return true;
}

std::vector<std::string> Downloads::TakeUnfinished() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, file] : files_) {
        if (file.part.active()) log_.Write("download cut off by the server's close", name);
        names.push_back(name);
    }
    files_.clear();
    return names;
}

void Downloads::Clear() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    files_.clear();
}

}  // namespace tessnet
