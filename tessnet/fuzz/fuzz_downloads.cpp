// Downloads on any sequence of chunks, answers and closes a server could send: no crash, nothing
// written outside the download folder, a file under a name only when a chunk completed it, and
// no part file left once the connection closed.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "downloads.h"
#include "host_link.h"
#include "log.h"

namespace {

// Some names: plain ones, and some that must never be written.
constexpr const char* kNames[] = {"s@a.bin", "s@b.bin", "t@a.bin", "s@../up.bin",
                                  "s@",      "no-at",   "s@sub/x", "s@.."};

char root[] = "/tmp/fuzz-downloads-XXXXXX";

std::string Folder() {
    static const bool made = [] {
        if (!mkdtemp(root)) std::abort();
        std::filesystem::create_directory(std::string(root) + "/dl");
        std::atexit([] { std::filesystem::remove_all(root); });
        return true;
    }();
    (void)made;
    return std::string(root) + "/dl";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessnet;
    static const bool quiet = [] {
        // The lines the downloads log go nowhere.
        auto link = std::make_shared<HostLink>();
        link->host.post = [](void*, void (*)(void*), void*) {};
        link->host.log = [](void*, const char*) {};
        SetLink(std::move(link));
        return true;
    }();
    (void)quiet;
    const std::string folder = Folder();
    static const std::uint8_t bytes[256] = {};
    std::set<std::string> completed;
    {
        ConnectionLog log("fuzz");
        Downloads downloads(log);
        // Five bytes a step: what happens, then the chunk's fields, kept small so that files
        // complete now and then.
        for (std::size_t i = 0; i + 5 <= size; i += 5) {
            const std::uint8_t* s = data + i;
            const std::string stored = kNames[s[0] % std::size(kNames)];
            const std::string plain = stored.substr(stored.find('@') + 1);
            if ((s[0] >> 3) == 31) {
                downloads.Answered(plain);
                continue;
            }
            if ((s[0] >> 3) == 30) {
                downloads.TakeUnfinished();
                continue;
            }
            FileChunk chunk;
            chunk.name = stored;
            chunk.count = s[1] % 4;
            chunk.number = s[1] / 4 % 5;
            chunk.fileSize = s[2] % 64;
            chunk.offset = s[3] % 64;
            chunk.length = s[4] % 32;
            chunk.data = bytes;
            chunk.consistent = chunk.count > 0 && chunk.number >= 1 &&
                               chunk.number <= chunk.count &&
                               chunk.offset + chunk.length <= chunk.fileSize;
            const Percentage percentage = DownloadPercentage(chunk.number, chunk.count);
            downloads.WouldNotify(chunk, percentage);
            if (downloads.Take(folder, chunk, percentage).completed) completed.insert(plain);
        }
        downloads.Clear();
    }
    // Only completed files are in the folder, and nothing was written next to it.
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!completed.count(entry.path().filename().string())) std::abort();
        std::filesystem::remove(entry.path());
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/.."))
        if (entry.path().filename() != "dl") std::abort();
    return 0;
}
