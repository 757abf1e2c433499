// The sender thread of a connection: sends the host's requests, announces queued files, then
// streams released ones in 7848-byte chunks, with a progress notification whenever a file's
// percentage changes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "connection.h"
#include "host_link.h"
#include "incoming.h"
#include "log.h"
#include "packet.h"
#include "progress.h"
#include "wire_text.h"

namespace tessnet {

namespace {

constexpr std::size_t kChunkData = TESS_CHUNK_DATA_MAX;
constexpr std::size_t kBatchBytes = 32768;
static_assert(TESS_CHUNK_HEAD_SIZE + kChunkData + kHeaderSize == 8192,
              "an uncompressed chunk packet is exactly the largest body a receiver accepts");

// Reads until `n` bytes or the end of the file.
ssize_t ReadFull(int fd, std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = read(fd, out + done, n - done);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

void Connection::SenderLoop(std::stop_token stop) {
    // A notified chunk's progress is handed to the host without waiting; the chunks after it are
    // read, compressed and sent meanwhile, up to the next one the host will hear of.
    PendingNotice notice(stop);
    for (;;) {
        SenderWork work = uploads_.WaitNext(stop);
        switch (work.kind) {
            case SenderWork::Stop:
                return;
            case SenderWork::Request:
                SendRequest(work.packet);
                break;
            case SenderWork::Announce:
                if (Announce(work.snapshot)) {
                    uploads_.MarkAnnounced(work.item, work.snapshot.generation);
                } else {
                    // No answer would ever come for it.
                    GiveUp(work.item, work.snapshot.fileName, notice);
                    if (stop.stop_requested()) return;
                }
                break;
            case SenderWork::Send:
                if (!SendFile(work.item, work.snapshot, notice, stop)) return;
                break;
        }
    }
}

void Connection::GiveUp(const std::shared_ptr<UploadItem>& item, std::string_view fileName,
                        PendingNotice& notice) {
    // The host hears of it after the file's last progress; until it has, the queue does not look
    // empty, so a type 33 for another file cannot come first and get the connection closed on
    // this news.
    uploads_.Drop(item);
    const bool told = NotifyUploadFailed(*this, notice, fileName);
    uploads_.SetBusy(nullptr);
    if (told) NotifyIfQueueEmpty(*this, notice);
}

void Connection::SendRequest(const std::vector<std::uint8_t>& packet) {
    if (SendAll(packet.data(), packet.size()) < 0) {
        const int error = errno;
        log_.Write("request not sent", {}, error,
                   " (command " + std::to_string(packet[kOffCommand]) + ")");
    }
}

bool Connection::Announce(const UploadItem& item) {
    std::uint8_t payload[TESS_ANNOUNCE_SIZE] = {};
    PutField(payload + TESS_ANNOUNCE_OFF_FILE_NAME, TESS_NAME_SIZE, item.fileName);
    PutU32(payload + TESS_ANNOUNCE_OFF_FILE_SIZE, item.fileSize);
    PutField(payload + TESS_ANNOUNCE_OFF_SENDER, TESS_ACCOUNT_SIZE, item.sender);
    std::uint8_t packet[kRequestCapacity];
    std::uint16_t length = 0;
    if (!BuildPacket(payload, sizeof payload, CMD_ANNOUNCE, 1, 1, 1, packet, sizeof packet,
                     length)) {
        log_.Write("upload announcement not built", item.fileName);
        return false;
    }
    if (const int sent = SendAll(packet, length); sent <= 0) {
        if (sent < 0) log_.Write("upload announcement not sent", item.fileName, errno);
        return false;
    }
    return true;
}

bool Connection::SendFile(const std::shared_ptr<UploadItem>& item, const UploadItem& snapshot,
                          PendingNotice& notice, const std::stop_token& stop) {
    const auto giveUp = [&] {
        GiveUp(item, snapshot.fileName, notice);
        return !stop.stop_requested();
    };
    UniqueFd file(open(snapshot.localPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    const bool opened = file.valid() && fstat(file.get(), &st) == 0;
    if (!opened || st.st_size == 0) {
        log_.Write(
            opened ? "upload given up, file empty by now" : "upload given up, file not opened",
            snapshot.fileName, opened ? 0 : errno);
        return giveUp();
    }
    uploads_.SetBusy(item);
    const std::uint64_t fileLength = static_cast<std::uint64_t>(st.st_size);
    const auto length =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(fileLength, 0xFFFFFFFFu));
    const std::uint32_t chunkCount =
        static_cast<std::uint32_t>((length + kChunkData - 1) / kChunkData);

    auto body = std::make_unique_for_overwrite<std::uint8_t[]>(TESS_CHUNK_HEAD_SIZE + kChunkData);
    // Chunk packets go out several at a time: one send, and one wake-up of the receiving side,
    // for every kBatchBytes or so.
    auto batch = std::make_unique_for_overwrite<std::uint8_t[]>(kBatchBytes + kWorkAreaSize);
    std::size_t batched = 0;
    Percentage heard;  // what the host last heard of this file
    std::uint32_t k = 1;
    std::uint32_t offset = 0;
    for (;; ++k) {
        if (stop.stop_requested()) {
            uploads_.SetBusy(nullptr);  // the item stays queued; Close clears it
            return false;
        }
        // The host's requests go out between chunks, not after the whole file.
        for (auto request = uploads_.TakeRequest(); !request.empty();
             request = uploads_.TakeRequest())
            SendRequest(request);
        // The file as long as it was when opened: the chunks must match the count they carry.
        const auto want =
            static_cast<std::size_t>(std::min<std::uint32_t>(kChunkData, length - offset));
        if (want == 0) break;
        const ssize_t got = ReadFull(file.get(), body.get() + TESS_CHUNK_HEAD_SIZE, want);
        if (got < 0 || static_cast<std::size_t>(got) < want) {
            log_.Write("upload ended early, file not read to its end", snapshot.fileName,
                       got < 0 ? errno : 0);
            return giveUp();
        }
        const auto n = static_cast<std::uint32_t>(got);
        std::uint8_t* head = body.get();
        std::memset(head, 0, TESS_CHUNK_HEAD_SIZE);
        PutField(head + TESS_CHUNK_OFF_FILE_NAME, TESS_NAME_SIZE, snapshot.fileName);
        PutU32(head + TESS_CHUNK_OFF_FILE_SIZE, length);
        PutField(head + TESS_CHUNK_OFF_SENDER, TESS_ACCOUNT_SIZE, snapshot.sender);
        PutU32(head + TESS_CHUNK_OFF_CHUNK_COUNT, chunkCount);
        PutU32(head + TESS_CHUNK_OFF_CHUNK_NUMBER, k);
        PutU32(head + TESS_CHUNK_OFF_FILE_OFFSET, offset);
        PutU32(head + TESS_CHUNK_OFF_CHUNK_LENGTH, n);
        std::uint16_t packetLength = 0;
        // A chunk that cannot be built would leave a hole in the file: the whole file fails.
        if (!BuildPacket(body.get(), static_cast<std::uint16_t>(n + TESS_CHUNK_HEAD_SIZE),
                         CMD_CHUNK, 1, chunkCount, k + 1, batch.get() + batched, kWorkAreaSize,
                         packetLength)) {
            log_.Write("upload ended early, chunk not built", snapshot.fileName);
            return giveUp();
        }
        const Percentage percentage = UploadPercentage(k, chunkCount);
        const bool notify = k == 1 || k >= chunkCount || !(percentage == heard);
        // A chunk the host will hear of goes out only once the host has handled the notification
        // before: it may have closed the connection meanwhile.
        if (notify && !notice.Await()) {
            uploads_.SetBusy(nullptr);
            return false;
        }
        batched += packetLength;
        // A chunk that could not be sent fails the file; nothing after it goes out.
        if (notify || batched >= kBatchBytes) {
            if (const int sent = SendAll(batch.get(), batched); sent <= 0) {
                if (sent < 0)
                    log_.Write("upload ended early, chunk not sent", snapshot.fileName, errno);
                return giveUp();
            }
            batched = 0;
        }
        if (notify) {
            std::uint8_t record[TESS_PROGRESS_SIZE];
            BuildProgress(record, 0, snapshot.fileName, account_, length, percentage);
            notice.Post(TESS_NOTE_PROGRESS, record, sizeof record);
            heard = percentage;
        }
        offset += n;
    }
    const bool handled = notice.Await();
    uploads_.Remove(item);
    return handled;
}

}  // namespace tessnet
