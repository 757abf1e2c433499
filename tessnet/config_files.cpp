#include "config_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "wire_text.h"

namespace tessnet {

namespace {

// A new file next to `target` that nobody else has: created exclusively, never through a link.
UniqueFd CreateFresh(const std::string& folder, const std::string& localName, std::string& path) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".part-%ld-%u", static_cast<long>(getpid()),
                      serial.fetch_add(1));
        path = folder + "/." + localName + suffix;
        UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.valid() || errno != EEXIST) {
            if (!fd.valid()) path.clear();
            return fd;
        }
    }
    path.clear();
    return {};
}

bool WriteAt(int fd, const std::uint8_t* data, std::size_t length, std::uint64_t offset) {
    for (std::size_t done = 0; done < length;) {
        const ssize_t w = pwrite(fd, data + done, length - done, static_cast<off_t>(offset + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

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
    for (auto& [name, file] : files_) Abandon(file);
    files_.clear();
}

void ConfigFiles::Abandon(File& file) {
    file.fd.reset();
    if (!file.tempPath.empty()) unlink(file.tempPath.c_str());
    file.tempPath.clear();
    file.failed = true;
}

ConfigFiles::Outcome ConfigFiles::Take(const std::string& folder, const Chunk& chunk) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(chunk.name);
    if (it == files_.end() || folder.empty()) return Outcome::Unasked;
    File& file = it->second;
    const auto local = GbkToUtf8(chunk.name);  // decodes: Expect checked the name
    if (!local) return Outcome::Unasked;

    if (chunk.number == 1 && chunk.offset == 0) {
        // The first chunk, or the server starting the file over.
        Abandon(file);
        file.fd = CreateFresh(folder, *local, file.tempPath);
        file.failed = !file.fd.valid();
        file.fileSize = chunk.fileSize;
        file.received = 0;
    } else if (!file.failed && (chunk.offset != file.received || chunk.fileSize != file.fileSize)) {
        // A chunk out of order would leave a hole: the file is given up, the old one kept.
        Abandon(file);
    }
    if (!file.failed && !WriteAt(file.fd.get(), chunk.data, chunk.length, chunk.offset))
        Abandon(file);
    if (!file.failed) file.received += chunk.length;
    if (chunk.number != chunk.count) return Outcome::Taken;

    const bool done = !file.failed && file.received == file.fileSize &&
                      rename(file.tempPath.c_str(), (folder + "/" + *local).c_str()) == 0;
    if (done) file.tempPath.clear();  // now the target itself
    Abandon(file);
    files_.erase(it);
    return done ? Outcome::Finished : Outcome::GivenUp;
}

}  // namespace tessnet
