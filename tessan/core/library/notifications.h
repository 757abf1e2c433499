// The library's notifications as typed values. The library's records live only while it notifies;
// the adapter decodes them here at once, and nothing else in the client reads the raw bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace tessan {

// Notification types the client acts on (the library's own numbers, plus the client's 1024).
namespace note {
inline constexpr int kLogin = 1;
inline constexpr int kRegister = 3;
inline constexpr int kListSummary = 5;
inline constexpr int kDownloadAnswer = 7;
inline constexpr int kUploadAnswer = 9;
inline constexpr int kDelete = 11;
inline constexpr int kAddFriend = 13;
inline constexpr int kDelFriend = 15;
inline constexpr int kModifyFriend = 17;
inline constexpr int kModifyUser = 19;
inline constexpr int kAddressBook = 28;
inline constexpr int kFileEntries = 30;
inline constexpr int kOwnProfile = 32;
inline constexpr int kQueueEmpty = 33;
inline constexpr int kServerNotice = 37;
inline constexpr int kNotice = 39;
inline constexpr int kCardAnswer = 41;
inline constexpr int kDisconnected = 42;
inline constexpr int kProgress = 254;
inline constexpr int kShowSettings = 1024;  // the client's own; the library never sends it
}  // namespace note

// A server reply: every type except 33, 42, 254 and 1024.
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
};

// Reads the library's record for `type`. `record` may be null (the type then carries nothing);
// the sizes are the library's record sizes, so the reads stay inside them.
Notification DecodeNotification(int type, const void* record);

}  // namespace tessan
