// Byte-exact layouts of the records and payloads the server reads and writes. Every layout is
// built and read through explicit offsets; missing payload bytes read as zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tessnet/tessnet.h"

namespace tessd {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kKeyWidth = 32;     // account numbers, keys, names
inline constexpr std::size_t kNameWidth = 260;   // file names
inline constexpr std::size_t kChunkData = 7848;  // data bytes per download chunk
// Largest payload that still fits one packet when it does not compress.
inline constexpr std::size_t kMaxRawPayload = 8160;

// Copies a zero-terminated text out of a fixed field; a field without terminator is cut to its
// width minus one, the most a field may hold.
std::string ReadText(const std::uint8_t* field, std::size_t width);
// Zero-fills the field and writes at most width - 1 bytes of text.
void WriteText(std::uint8_t* field, std::size_t width, std::string_view text);

// A payload copied into a zero-filled area of at least `size` bytes, so that a short payload
// reads as zeros instead of past its end.
Bytes PaddedCopy(const std::uint8_t* payload, std::size_t length, std::size_t size);

// The 1091-byte account record.
class UserProfile {
  public:
    static constexpr std::size_t kSize = 1091;
    static constexpr std::size_t kNumber = 0;
    static constexpr std::size_t kVideophone = 32;
    static constexpr std::size_t kPublicKey = 64;
    static constexpr std::size_t kName = 96;
    static constexpr std::size_t kUserType = 129;
    static constexpr std::size_t kCompany = 131;
    static constexpr std::size_t kOccupation = 259;
    static constexpr std::size_t kCountry = 387;
    static constexpr std::size_t kProvince = 451;
    static constexpr std::size_t kPostalAddress = 515;
    static constexpr std::size_t kPostCode = 643;
    static constexpr std::size_t kMobile = 675;
    static constexpr std::size_t kFax = 707;
    static constexpr std::size_t kPhone = 739;
    static constexpr std::size_t kWebAddress = 771;
    static constexpr std::size_t kPrivateKey = 995;
    static constexpr std::size_t kTailWord = 1088;
    static constexpr std::size_t kTailByte = 1090;
    static_assert(kTailByte + 1 == kSize);
    static_assert(kPrivateKey + 32 + 61 == kTailWord);

    UserProfile() = default;
    // Reads a record from `length` bytes (missing bytes are zero) and puts a terminator at the
    // end of every text field, so that no field runs into the next.
    static UserProfile FromBytes(const std::uint8_t* data, std::size_t length);

    const std::uint8_t* data() const { return bytes_.data(); }
    std::uint8_t* data() { return bytes_.data(); }

    std::string Number() const { return ReadText(bytes_.data() + kNumber, kKeyWidth); }
    std::string PublicKey() const { return ReadText(bytes_.data() + kPublicKey, kKeyWidth); }
    std::string PrivateKey() const { return ReadText(bytes_.data() + kPrivateKey, kKeyWidth); }
    std::string Name() const { return ReadText(bytes_.data() + kName, kKeyWidth); }
    char UserType() const { return static_cast<char>(bytes_[kUserType]); }

    void SetNumber(std::string_view v) { WriteText(bytes_.data() + kNumber, kKeyWidth, v); }
    void SetPublicKey(std::string_view v) { WriteText(bytes_.data() + kPublicKey, kKeyWidth, v); }
    void SetPrivateKey(std::string_view v) { WriteText(bytes_.data() + kPrivateKey, kKeyWidth, v); }
    void SetName(std::string_view v) { WriteText(bytes_.data() + kName, kKeyWidth, v); }
    void SetUserType(char type) { bytes_[kUserType] = static_cast<std::uint8_t>(type); }

  private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// Space quota in bytes of a user type character; unknown types get the free tier.
std::uint64_t QuotaForUserType(char type);

// The 96-byte address-book request.
struct FriendRecord {
    static constexpr std::size_t kSize = 96;
    static constexpr std::size_t kOwner = 0;
    static constexpr std::size_t kFriendNumber = 32;
    static constexpr std::size_t kFriendKey = 64;
    static_assert(kFriendKey + kKeyWidth == kSize);

    std::string owner;
    std::string friendNumber;
    std::string friendKey;

    static FriendRecord Decode(const std::uint8_t* payload, std::size_t length);
};

// Login request (command 0): a marker byte pair, then account number and key.
struct LoginRequest {
    static constexpr std::size_t kSize = 66;
    static constexpr std::size_t kAccount = 2;
    static constexpr std::size_t kKey = 34;
    static_assert(kKey + kKeyWidth == kSize);

    std::string account;
    std::string key;

    static LoginRequest Decode(const std::uint8_t* payload, std::size_t length);
    static Bytes Encode(std::string_view account, std::string_view key);
};

// Registration request (command 2): four zero bytes, then the profile.
inline constexpr std::size_t kRegisterProfileOffset = 4;
inline constexpr std::size_t kRegisterSize = kRegisterProfileOffset + UserProfile::kSize;

// Upload announcement (command 8), 312 bytes.
struct Announcement {
    static constexpr std::size_t kSize = 312;
    static constexpr std::size_t kFileName = 0;
    static constexpr std::size_t kFileSize = 260;
    static constexpr std::size_t kSender = 264;
    static_assert(kSender + kKeyWidth + 16 == kSize);

    std::string fileName;
    std::uint32_t fileSize = 0;
    std::string sender;

    static Announcement Decode(const std::uint8_t* payload, std::size_t length);
    Bytes Encode() const;
};

// File chunk (commands 31 and 129): a 312-byte head, then the data.
struct ChunkHead {
    static constexpr std::size_t kSize = TESS_CHUNK_HEAD_SIZE;
    static constexpr std::size_t kFileName = TESS_CHUNK_OFF_FILE_NAME;
    static constexpr std::size_t kFileSize = TESS_CHUNK_OFF_FILE_SIZE;
    static constexpr std::size_t kSender = TESS_CHUNK_OFF_SENDER;
    static constexpr std::size_t kChunkCount = TESS_CHUNK_OFF_CHUNK_COUNT;
    static constexpr std::size_t kChunkNumber = TESS_CHUNK_OFF_CHUNK_NUMBER;
    static constexpr std::size_t kFileOffset = TESS_CHUNK_OFF_FILE_OFFSET;
    static constexpr std::size_t kChunkLength = TESS_CHUNK_OFF_CHUNK_LENGTH;
    static_assert(kChunkLength + 4 == kSize);
    static_assert(kSize + kChunkData == kMaxRawPayload);

    std::string fileName;
    std::uint32_t fileSize = 0;
    std::string sender;
    std::uint32_t chunkCount = 0;
    std::uint32_t chunkNumber = 0;
    std::uint32_t fileOffset = 0;
    std::uint32_t chunkLength = 0;

    // False when the payload is shorter than the head plus the data it announces.
    static bool Decode(const std::uint8_t* payload, std::size_t length, ChunkHead& head);
    Bytes Encode(const std::uint8_t* data, std::size_t length) const;
};

// One entry of the stored-file list (command 30), 364 bytes.
struct FileEntry {
    static constexpr std::size_t kSize = 364;
    static constexpr std::size_t kSenderNumber = 0;
    static constexpr std::size_t kSenderName = 32;
    static constexpr std::size_t kSenderKey = 64;
    static constexpr std::size_t kStoredName = 96;
    static constexpr std::size_t kFileSize = 356;
    static constexpr std::size_t kSentAt = 360;
    static_assert(kSentAt + 4 == kSize);

    std::string senderNumber;
    std::string senderName;
    std::string senderKey;
    std::string storedName;
    std::uint32_t fileSize = 0;
    std::uint32_t sentAt = 0;

    void EncodeInto(std::uint8_t* out) const;
    static FileEntry Decode(const std::uint8_t* in);
};

// Recharge-card query (command 40) and recharge request (command 36).
struct RechargeRequest {
    static constexpr std::size_t kQuerySize = 32;
    static constexpr std::size_t kSize = 97;
    static constexpr std::size_t kNumber = 0;
    static constexpr std::size_t kCardType = 32;
    static constexpr std::size_t kCardNumber = 33;
    static constexpr std::size_t kCardPassword = 65;
    static_assert(kCardPassword + kKeyWidth == kSize);

    std::string number;
    char cardType = 0;
    std::string cardNumber;
    std::string cardPassword;

    static RechargeRequest Decode(const std::uint8_t* payload, std::size_t length);
};

// Reply payloads. Offsets follow what the client reads from each answer.
Bytes StatusReply(std::uint8_t status, std::string_view text);  // 1, 3, 5, 11, 19, 35, 39
Bytes DownloadReply(std::uint8_t status, std::string_view fileName, std::string_view text);  // 7
Bytes UploadReply(std::uint8_t status, std::uint8_t reason, std::string_view fileName,
                  std::string_view text);  // 9
// 13, 15 and 17: the friend's number at 1, a key at 33, the text at 65.
Bytes FriendReply(std::uint8_t status, std::string_view number, std::string_view key,
                  std::string_view text);

inline constexpr std::size_t kDownloadText = 261;
inline constexpr std::size_t kUploadName = 2;
inline constexpr std::size_t kUploadText = 263;
inline constexpr std::size_t kFriendReplyNumber = 1;
inline constexpr std::size_t kFriendReplyKey = 33;
inline constexpr std::size_t kFriendReplyText = 65;

}  // namespace tessd
