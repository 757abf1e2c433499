// The library's notifications as typed values. The library's records live only while it notifies;
// the adapter decodes them here at once, and nothing else in the client reads the raw bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

#include "packet.h"
#include "tessnet/tessnet.h"

namespace tessan {

// Notification types the client acts on.
namespace note {
inline constexpr int kLogin = TESS_NOTE_LOGIN;
inline constexpr int kRegister = TESS_NOTE_REGISTER;
inline constexpr int kListSummary = TESS_NOTE_LIST_SUMMARY;
inline constexpr int kDownloadAnswer = TESS_NOTE_DOWNLOAD_ANSWER;
inline constexpr int kUploadAnswer = TESS_NOTE_UPLOAD_ANSWER;
inline constexpr int kDelete = TESS_NOTE_DELETE;
inline constexpr int kAddFriend = TESS_NOTE_ADD_FRIEND;
inline constexpr int kDelFriend = TESS_NOTE_DEL_FRIEND;
inline constexpr int kModifyFriend = TESS_NOTE_MODIFY_FRIEND;
inline constexpr int kModifyUser = TESS_NOTE_MODIFY_USER;
inline constexpr int kAddressBook = TESS_NOTE_ADDRESS_BOOK;
inline constexpr int kFileEntries = TESS_NOTE_FILE_ENTRIES;
inline constexpr int kOwnProfile = TESS_NOTE_OWN_PROFILE;
inline constexpr int kQueueEmpty = TESS_NOTE_QUEUE_EMPTY;
inline constexpr int kServerNotice = TESS_NOTE_SERVER_NOTICE;
inline constexpr int kNotice = TESS_NOTE_NOTICE;
inline constexpr int kCardAnswer = TESS_NOTE_CARD_ANSWER;
inline constexpr int kDisconnected = TESS_NOTE_DISCONNECTED;
inline constexpr int kProgress = TESS_NOTE_PROGRESS;
}  // namespace note

// A server reply: every type except 33, 42 and 254.
struct Reply {
    std::uint8_t kind = 0;
    std::uint8_t status = 0;
    QByteArray account;  // GBK; the account the connection runs under
    int dataLength = 0;
    QByteArray data;  // the whole data area as the library filled it

    // Zero-terminated GBK text starting at `offset` of data; empty when offset is outside.
    QByteArray RawTextAt(int offset) const;
    QString TextAt(int offset) const;
};

// The replies whose data holds more than a text, decoded at the offsets the library's header
// gives. Names, numbers and keys are GBK.
struct UploadAnswer {  // 9
    QByteArray account;
    std::uint8_t status = 0;
    tessnet::UploadReason reason{};
    QByteArray name;
    QString text;
};
struct DownloadAnswer {  // 7
    std::uint8_t status = 0;
    QByteArray name;  // the plain file name, without its sender
    QString text;
};
struct FriendAnswer {  // 13, 15, 17
    std::uint8_t status = 0;
    QByteArray number;
    QByteArray key;
    QString text;
};
UploadAnswer UploadAnswerOf(const Reply& reply);
DownloadAnswer DownloadAnswerOf(const Reply& reply);
FriendAnswer FriendAnswerOf(const Reply& reply);

// Progress of one file chunk (type 254).
struct Progress {
    std::uint8_t direction = 0;  // 0 upload, 1 download
    QByteArray fileName;         // GBK; downloads: "sender@name"
    QByteArray account;          // GBK; the connection's account
    std::uint32_t fileSize = 0;
    QByteArray percentText;  // "33%"
    std::uint16_t percent = 0;
};

// A connection's upload queue ran empty (33): the connection's account, then a word the library
// always sends as zero, kept as it came.
struct QueueEmpty {
    QByteArray account;
    std::uint16_t zeroWord = 0;
};

// A connection was lost (42).
struct AccountEvent {
    QByteArray account;
};

struct Notification {
    int type = 0;
    std::variant<std::monostate, Reply, Progress, QueueEmpty, AccountEvent> body;

    const Reply* reply() const { return std::get_if<Reply>(&body); }
    const Progress* progress() const { return std::get_if<Progress>(&body); }
    const QueueEmpty* queueEmpty() const { return std::get_if<QueueEmpty>(&body); }
    const AccountEvent* accountEvent() const { return std::get_if<AccountEvent>(&body); }
    // The account of the connection it came on.
    QByteArray Account() const;
};

// Reads the library's record for `type`. `record` may be null (the type then carries nothing);
// the sizes are the library's record sizes, so the reads stay inside them.
Notification DecodeNotification(int type, const void* record);

}  // namespace tessan
