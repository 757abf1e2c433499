#include "incoming.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "connection.h"
#include "host_link.h"
#include "log.h"
#include "progress.h"
#include "wire_text.h"

namespace tessnet {

namespace {

constexpr std::size_t kDataBytes = 1024;  // fixed-size replies copy the 1024 bytes after b[0]
static_assert(TESS_REPLY_OFF_DATA + TESS_REPLY_DATA_MAX == TESS_REPLY_SIZE);
static_assert(TESS_CHUNK_OFF_CHUNK_LENGTH + 4 == TESS_CHUNK_HEAD_SIZE);
static_assert(TESS_ENTRY_OFF_SENT_TIME + 4 == TESS_ENTRY_SIZE);

class Reply {
  public:
    Reply(const Connection& connection, std::uint8_t kind, std::uint8_t status) {
        bytes_.fill(0);
        bytes_[TESS_REPLY_OFF_KIND] = kind;
        bytes_[TESS_REPLY_OFF_STATUS] = status;
        PutField(bytes_.data() + TESS_REPLY_OFF_ACCOUNT, TESS_ACCOUNT_SIZE, connection.account());
    }
    // Copies at most the record's room; a longer payload is cut, never overrun.
    void SetData(const std::uint8_t* data, std::size_t n, std::size_t dataLength) {
        if (n > 0)
            std::memcpy(bytes_.data() + TESS_REPLY_OFF_DATA, data, std::min<std::size_t>(n, kRoom));
        SetDataLength(dataLength);
    }
    void SetDataLength(std::size_t dataLength) {
        PutU16(bytes_.data() + TESS_REPLY_OFF_DATA_LENGTH,
               static_cast<std::uint16_t>(std::min<std::size_t>(dataLength, kRoom)));
    }
    bool Deliver(PendingNotice& notice, int type) const {
        return notice.Deliver(type, bytes_.data(), bytes_.size());
    }

  private:
    static constexpr std::size_t kRoom = TESS_REPLY_DATA_MAX;
    std::array<std::uint8_t, TESS_REPLY_SIZE> bytes_;
};

// Reads bytes that lie beyond the payload as zero.
std::uint8_t ByteAt(const std::uint8_t* b, std::size_t n, std::size_t i) {
    return i < n ? b[i] : 0;
}

// The zero-terminated text from b[from], within the payload.
std::string_view TextFrom(const std::uint8_t* b, std::size_t n, std::size_t from) {
    if (from >= n) return {};
    return FieldText(b + from, n - from);
}

void NotifyText(ReaderContext& r, int type, const std::uint8_t* b, std::size_t n) {
    Reply reply(r.connection, 0, ByteAt(b, n, 0));
    const auto text = TextFrom(b, n, 1);
    const std::size_t length = std::min<std::size_t>(text.size(), TESS_REPLY_DATA_MAX - 1);
    reply.SetData(reinterpret_cast<const std::uint8_t*>(text.data()), length, length);
    reply.Deliver(r.notice, type);
}

void NotifyFixed(ReaderContext& r, int type, std::uint8_t kind, const std::uint8_t* b,
                 std::size_t n, std::size_t dataLength) {
    Reply reply(r.connection, kind, ByteAt(b, n, 0));
    std::array<std::uint8_t, kDataBytes> data{};
    if (n > 1) std::memcpy(data.data(), b + 1, std::min(n - 1, kDataBytes));
    reply.SetData(data.data(), data.size(), dataLength);
    reply.Deliver(r.notice, type);
}

void NotifyWhole(ReaderContext& r, int type, std::uint8_t kind, const std::uint8_t* b,
                 std::size_t n, std::size_t dataLength) {
    Reply reply(r.connection, kind, 1);
    reply.SetData(b, n, dataLength);
    reply.Deliver(r.notice, type);
}

// The head of a chunk, with bytes beyond a short payload read as zero.
struct Chunk {
    std::array<std::uint8_t, TESS_CHUNK_HEAD_SIZE> head{};
    const std::uint8_t* data = nullptr;
    std::size_t available = 0;  // data bytes actually present

    Chunk(const std::uint8_t* b, std::size_t n) {
        std::memcpy(head.data(), b, std::min<std::size_t>(n, head.size()));
        if (n > head.size()) {
            data = b + head.size();
            available = n - head.size();
        }
    }
    std::string_view name() const {
        return FieldText(head.data() + TESS_CHUNK_OFF_FILE_NAME, TESS_NAME_SIZE);
    }
    std::uint32_t U32(std::size_t offset) const { return GetU32(head.data() + offset); }
    std::uint32_t count() const { return U32(TESS_CHUNK_OFF_CHUNK_COUNT); }
    std::uint32_t number() const { return U32(TESS_CHUNK_OFF_CHUNK_NUMBER); }
    std::uint32_t fileSize() const { return U32(TESS_CHUNK_OFF_FILE_SIZE); }
    std::uint32_t offset() const { return U32(TESS_CHUNK_OFF_FILE_OFFSET); }
    std::uint32_t length() const { return U32(TESS_CHUNK_OFF_CHUNK_LENGTH); }
    // The chunk says what it carries and stays inside the file it announces; a chunk that lies
    // would make a sparse file of any apparent size.
    bool Consistent() const {
        return count() > 0 && number() >= 1 && number() <= count() && length() <= available &&
               std::uint64_t{offset()} + length() <= fileSize();
    }
    FileChunk Fields() const {
        return {name(), Consistent(), fileSize(), count(), number(), offset(), data, length()};
    }
};

void HandleDownloadChunk(ReaderContext& r, const std::uint8_t* b, std::size_t n) {
    Connection& c = r.connection;
    const Chunk chunk(b, n);
    const auto link = CurrentLink();
    if (!link) return;
    const FileChunk piece = chunk.Fields();
    const Percentage percentage = DownloadPercentage(chunk.number(), chunk.count());
    // A chunk the host will hear of happens only once the host has handled the notification
    // before: it may have closed the connection meanwhile.
    if (c.downloads().WouldNotify(piece, percentage) && !r.notice.Await()) return;
    if (!c.downloads().Take(link->downloadDirectory, piece, percentage).notify) return;
    std::uint8_t record[TESS_PROGRESS_SIZE];
    BuildProgress(record, 1, chunk.name(), c.account(), chunk.fileSize(), percentage);
    r.notice.Post(TESS_NOTE_PROGRESS, record, sizeof record);
}

// "文件:<name><what>": how the system's own texts name a file that failed.
std::string FileFailedText(std::string_view gbkName, const char* what) {
    static const std::string before = Utf8ToGbkLossy("文件:");
    return before + std::string(gbkName) + Utf8ToGbkLossy(what);
}

// A type 7 that tells the host the download of `plainName` failed, in the server's layout.
bool NotifyDownloadFailed(ReaderContext& r, std::string_view plainName) {
    static const char kFailed[] = "下载失败!";
    std::array<std::uint8_t, kDataBytes> data{};
    PutField(data.data() + TESS_DOWNLOAD_ANSWER_OFF_NAME, TESS_NAME_SIZE, plainName);
    PutField(data.data() + TESS_DOWNLOAD_ANSWER_OFF_TEXT,
             kDataBytes - TESS_DOWNLOAD_ANSWER_OFF_TEXT, FileFailedText(plainName, kFailed));
    Reply reply(r.connection, 1, 0);
    reply.SetData(data.data(), data.size(), kDataBytes);
    return reply.Deliver(r.notice, TESS_NOTE_DOWNLOAD_ANSWER);
}

void HandleDownloadAnswer(ReaderContext& r, const std::uint8_t* b, std::size_t n) {
    const std::string_view plain =
        n > 1 ? FieldText(b + 1, std::min<std::size_t>(n - 1, TESS_NAME_SIZE)) : "";
    // A file that failed is reported as failed even when the server thinks it sent it whole.
    if (r.connection.downloads().Answered(plain) && ByteAt(b, n, 0) != 0)
        NotifyDownloadFailed(r, plain);
    else
        NotifyFixed(r, TESS_NOTE_DOWNLOAD_ANSWER, 1, b, n, kDataBytes);
}

void HandleConfigChunk(ReaderContext& r, const std::uint8_t* b, std::size_t n) {
    Connection& c = r.connection;
    const Chunk chunk(b, n);
    const auto link = CurrentLink();
    if (!link) return;
    if (!chunk.Consistent()) {
        c.log().Write("configuration chunk with false fields refused", chunk.name());
        return;
    }
    if (!r.notice.Await()) return;
    switch (c.configFiles().Take(link->startDirectory, chunk.Fields(), c.log())) {
        case ConfigFiles::Outcome::Unasked:
            c.log().Write("configuration file nobody asked for dropped", chunk.name());
            return;
        case ConfigFiles::Outcome::Taken:
            return;
        case ConfigFiles::Outcome::GivenUp:
            c.log().Write("configuration file incomplete, old copy kept", chunk.name());
            break;
        case ConfigFiles::Outcome::Finished:
            break;
    }
    // The connection served its files.
    if (!c.configFiles().Expecting()) {
        c.EndAfterConfiguration(r.notice);
        r.ended = true;
    }
}

void HandleUploadAnswer(ReaderContext& r, const std::uint8_t* b, std::size_t n) {
    Connection& c = r.connection;
    const auto reason = static_cast<UploadReason>(ByteAt(b, n, 1));
    const std::string_view name =
        n > 2 ? FieldText(b + 2, std::min<std::size_t>(n - 2, TESS_NAME_SIZE)) : "";
    if (reason == UploadReason::GoAhead) {
        c.uploads().Release(name, true);
        return;
    }
    // The server answers a file's last chunk before the sender thread has reported that chunk
    // and let the file go; without waiting, the queue would not look empty and type 33 would
    // never come.
    if (reason == UploadReason::Complete && !c.uploads().WaitWhileSending(name, r.stop)) return;
    NotifyFixed(r, TESS_NOTE_UPLOAD_ANSWER, 1, b, n, kDataBytes);
    if (reason == UploadReason::Complete) NotifyIfQueueEmpty(c, r.notice);
}

}  // namespace

bool NotifyUploadFailed(Connection& connection, PendingNotice& notice, std::string_view fileName) {
    static const char kFailed[] = "上传失败!";
    std::array<std::uint8_t, kDataBytes> data{};
    data[TESS_UPLOAD_ANSWER_OFF_REASON] = static_cast<std::uint8_t>(UploadReason::Broken);
    PutField(data.data() + TESS_UPLOAD_ANSWER_OFF_NAME, TESS_NAME_SIZE, fileName);
    PutField(data.data() + TESS_UPLOAD_ANSWER_OFF_TEXT, kDataBytes - TESS_UPLOAD_ANSWER_OFF_TEXT,
             FileFailedText(fileName, kFailed));
    Reply reply(connection, 1, 0);
    reply.SetData(data.data(), data.size(), kDataBytes);
    return reply.Deliver(notice, TESS_NOTE_UPLOAD_ANSWER);
}

bool NotifyIfQueueEmpty(Connection& connection, PendingNotice& notice) {
    // After the host's handling of the answer, so whatever it did to the queue counts.
    if (!connection.uploads().Empty()) return true;
    std::uint8_t record[TESS_QUEUE_EMPTY_SIZE] = {};
    PutField(record + TESS_QUEUE_EMPTY_OFF_ACCOUNT, TESS_ACCOUNT_SIZE, connection.account());
    // Asked again when the host's turn comes: a file the host queued in between would be lost
    // with the connection the host closes on this news.
    return notice.DeliverIf(TESS_NOTE_QUEUE_EMPTY, record, sizeof record,
                            [weak = connection.weak_from_this()] {
                                const auto c = weak.lock();
                                return c && c->uploads().Empty();
                            });
}

void HandlePacket(ReaderContext& r, const PacketHeader& header, const std::uint8_t* b,
                  std::size_t n) {
    switch (header.command) {
        case CMD_LOGIN_RESULT:
            if (ByteAt(b, n, 0) == 1) r.connection.uploads().AllowSending();
            NotifyText(r, TESS_NOTE_LOGIN, b, n);
            break;
        case CMD_REGISTER_RESULT:
        case CMD_LIST_SUMMARY:
        case CMD_DELETE_RESULT:
            NotifyText(r, header.command, b, n);
            break;
        case CMD_DOWNLOAD_ANSWER:
            HandleDownloadAnswer(r, b, n);
            break;
        case CMD_ADD_FRIEND_RESULT:
            NotifyFixed(r, header.command, 1, b, n, kDataBytes);
            break;
        case CMD_ANNOUNCE_ANSWER:
            HandleUploadAnswer(r, b, n);
            break;
        case CMD_DEL_FRIEND_RESULT:
        case CMD_MODIFY_FRIEND_RESULT:
            NotifyFixed(r, header.command, 1, b, n, n);
            break;
        case CMD_MODIFY_USER_RESULT:
            NotifyFixed(r, header.command, 0, b, n, n);
            break;
        case CMD_ADDRESS_BOOK:
        case CMD_SERVER_DATA:
        case CMD_FILE_ENTRIES:
        case CMD_OWN_PROFILE:
            NotifyWhole(r, header.command, 1, b, n, n);
            break;
        case CMD_NOTICE:
            NotifyWhole(r, header.command, CMD_NOTICE, b, n, n);
            break;
        case CMD_CARD_ANSWER:
            NotifyWhole(r, header.command, CMD_CARD_ANSWER, b, n, 1);
            break;
        case CMD_CHUNK:
            HandleDownloadChunk(r, b, n);
            break;
        case CMD_PAYMENT_REMINDER: {
            const auto text = GbkToUtf8(TextFrom(b, n, 1));
            r.notice.ShowBox(text.value_or(std::string()), "催费通知", TESS_ICON_INFORMATION);
            break;
        }
        case CMD_CONFIG_CHUNK:
            HandleConfigChunk(r, b, n);
            break;
        default:
            break;
    }
}

bool ReportUnfinishedDownloads(ReaderContext& r) {
    for (const auto& name : r.connection.downloads().TakeUnfinished())
        if (!NotifyDownloadFailed(r, name)) return false;
    return r.notice.Await();
}

}  // namespace tessnet
