#include "core/library/notifications.h"

#include "core/base/gbk.h"

#include <tessnet/tessnet.h>

#include <QtEndian>

#include <cstring>
#include <span>

namespace tessan {

namespace {

using Bytes = std::span<const std::uint8_t>;

QByteArray TextField(Bytes record, std::size_t offset, std::size_t width) {
    return ReadFixedField(record.subspan(offset, width));
}

std::uint16_t U16(Bytes record, std::size_t offset) {
    return qFromLittleEndian<std::uint16_t>(record.data() + offset);
}

std::uint32_t U32(Bytes record, std::size_t offset) {
    return qFromLittleEndian<std::uint32_t>(record.data() + offset);
}

Reply DecodeReply(Bytes r) {
    Reply reply;
    reply.kind = r[TESS_REPLY_OFF_KIND];
    reply.status = r[TESS_REPLY_OFF_STATUS];
    reply.account = TextField(r, TESS_REPLY_OFF_ACCOUNT, TESS_ACCOUNT_SIZE);
    reply.dataLength = U16(r, TESS_REPLY_OFF_DATA_LENGTH);
    reply.data = QByteArray(reinterpret_cast<const char*>(r.data() + TESS_REPLY_OFF_DATA),
                            TESS_REPLY_DATA_MAX);
    return reply;
}

Progress DecodeProgress(Bytes r) {
    Progress p;
    p.direction = r[TESS_PROGRESS_OFF_DIRECTION];
    p.fileName = TextField(r, TESS_PROGRESS_OFF_FILE_NAME, TESS_NAME_SIZE);
    p.account = TextField(r, TESS_PROGRESS_OFF_ACCOUNT, TESS_ACCOUNT_SIZE);
    p.fileSize = U32(r, TESS_PROGRESS_OFF_FILE_SIZE);
    p.percentText = TextField(r, TESS_PROGRESS_OFF_PERCENT_TEXT, 32);
    p.percent = U16(r, TESS_PROGRESS_OFF_PERCENT);
    return p;
}

static_assert(TESS_REPLY_OFF_DATA + TESS_REPLY_DATA_MAX == TESS_REPLY_SIZE);
static_assert(TESS_PROGRESS_OFF_PERCENT + 2 == TESS_PROGRESS_SIZE);
static_assert(TESS_QUEUE_EMPTY_OFF_ACCOUNT + TESS_ACCOUNT_SIZE <= TESS_QUEUE_EMPTY_OFF_ZERO);
static_assert(TESS_QUEUE_EMPTY_OFF_ZERO + 2 == TESS_QUEUE_EMPTY_SIZE);

}  // namespace

QByteArray Reply::RawTextAt(int offset) const {
    if (offset < 0 || offset >= data.size()) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    return ReadFixedField(Bytes(bytes + offset, static_cast<std::size_t>(data.size() - offset)));
}

QString Reply::TextAt(int offset) const {
    return GbkToQString(RawTextAt(offset));
}

UploadAnswer UploadAnswerOf(const Reply& reply) {
    const auto reason = static_cast<std::uint8_t>(reply.data.isEmpty() ? 0 : reply.data[0]);
    static_assert(TESS_UPLOAD_ANSWER_OFF_REASON == 0);
    return {reply.account, reply.status, static_cast<tessnet::UploadReason>(reason),
            reply.RawTextAt(TESS_UPLOAD_ANSWER_OFF_NAME).left(TESS_NAME_SIZE),
            reply.TextAt(TESS_UPLOAD_ANSWER_OFF_TEXT)};
}

DownloadAnswer DownloadAnswerOf(const Reply& reply) {
    return {reply.status, reply.RawTextAt(TESS_DOWNLOAD_ANSWER_OFF_NAME).left(TESS_NAME_SIZE),
            reply.TextAt(TESS_DOWNLOAD_ANSWER_OFF_TEXT)};
}

FriendAnswer FriendAnswerOf(const Reply& reply) {
    // A field the server did not terminate is read within its width.
    return {reply.status, reply.RawTextAt(TESS_FRIEND_ANSWER_OFF_NUMBER).left(TESS_ACCOUNT_SIZE),
            reply.RawTextAt(TESS_FRIEND_ANSWER_OFF_KEY).left(TESS_ACCOUNT_SIZE),
            reply.TextAt(TESS_FRIEND_ANSWER_OFF_TEXT)};
}

QByteArray Notification::Account() const {
    return std::visit(
        [](const auto& record) -> QByteArray {
            if constexpr (std::is_same_v<std::decay_t<decltype(record)>, std::monostate>)
                return {};
            else
                return record.account;
        },
        body);
}

Notification DecodeNotification(int type, const void* record) {
    Notification n;
    n.type = type;
    if (!record) return n;
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    switch (type) {
        case note::kProgress:
            n.body = DecodeProgress(Bytes(bytes, TESS_PROGRESS_SIZE));
            break;
        case note::kQueueEmpty:
            n.body =
                QueueEmpty{TextField(Bytes(bytes, TESS_QUEUE_EMPTY_SIZE),
                                     TESS_QUEUE_EMPTY_OFF_ACCOUNT, TESS_ACCOUNT_SIZE),
                           U16(Bytes(bytes, TESS_QUEUE_EMPTY_SIZE), TESS_QUEUE_EMPTY_OFF_ZERO)};
            break;
        case note::kDisconnected: {
            // The connection's own account string: zero-terminated within its 32 bytes.
            const auto* text = static_cast<const char*>(record);
            n.body = AccountEvent{
                QByteArray(text, static_cast<qsizetype>(strnlen(text, TESS_ACCOUNT_SIZE)))};
            break;
        }
        default:
            n.body = DecodeReply(Bytes(bytes, TESS_REPLY_SIZE));
            break;
    }
    return n;
}

}  // namespace tessan
