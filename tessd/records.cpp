#include "records.h"

#include <algorithm>
#include <cstring>

#include "packet.h"

namespace tessd {

using tessnet::GetU32;
using tessnet::PutU32;

std::string ReadText(const std::uint8_t* field, std::size_t width) {
    if (width == 0) return {};
    const auto* end = field + width - 1;
    const auto* nul = std::find(field, end, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(nul - field));
}

void WriteText(std::uint8_t* field, std::size_t width, std::string_view text) {
    if (width == 0) return;
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

Bytes PaddedCopy(const std::uint8_t* payload, std::size_t length, std::size_t size) {
    Bytes out(std::max(length, size), 0);
    if (length > 0) std::memcpy(out.data(), payload, length);
    return out;
}

UserProfile UserProfile::FromBytes(const std::uint8_t* data, std::size_t length) {
    UserProfile p;
    std::memcpy(p.bytes_.data(), data, std::min(length, kSize));
    struct Field {
        std::size_t offset, width;
    };
    static constexpr Field kTextFields[] = {
        {kNumber, 32},         {kVideophone, 32},  {kPublicKey, 32},  {kName, 32},
        {kCompany, 128},       {kOccupation, 128}, {kCountry, 64},    {kProvince, 64},
        {kPostalAddress, 128}, {kPostCode, 32},    {kMobile, 32},     {kFax, 32},
        {kPhone, 32},          {kWebAddress, 128}, {kPrivateKey, 32},
    };
    for (const Field& f : kTextFields) p.bytes_[f.offset + f.width - 1] = 0;
    return p;
}

std::uint64_t QuotaForUserType(char type) {
    constexpr std::uint64_t kMiB = 1u << 20;
    switch (type) {
        case '1':
            return 100 * kMiB;
        case '2':
            return 200 * kMiB;
        case '3':
            return 500 * kMiB;
        default:
            return 5 * kMiB;
    }
}

FriendRecord FriendRecord::Decode(const std::uint8_t* payload, std::size_t length) {
    const Bytes b = PaddedCopy(payload, length, kSize);
    return {ReadText(b.data() + kOwner, kKeyWidth), ReadText(b.data() + kFriendNumber, kKeyWidth),
            ReadText(b.data() + kFriendKey, kKeyWidth)};
}

LoginRequest LoginRequest::Decode(const std::uint8_t* payload, std::size_t length) {
    const Bytes b = PaddedCopy(payload, length, kSize);
    return {ReadText(b.data() + kAccount, kKeyWidth), ReadText(b.data() + kKey, kKeyWidth)};
}

Bytes LoginRequest::Encode(std::string_view account, std::string_view key) {
    Bytes b(kSize, 0);
    b[0] = 2;
    b[1] = 1;
    WriteText(b.data() + kAccount, kKeyWidth, account);
    WriteText(b.data() + kKey, kKeyWidth, key);
    return b;
}

Announcement Announcement::Decode(const std::uint8_t* payload, std::size_t length) {
    const Bytes b = PaddedCopy(payload, length, kSize);
    return {ReadText(b.data() + kFileName, kNameWidth), GetU32(b.data() + kFileSize),
            ReadText(b.data() + kSender, kKeyWidth)};
}

Bytes Announcement::Encode() const {
    Bytes b(kSize, 0);
    WriteText(b.data() + kFileName, kNameWidth, fileName);
    PutU32(b.data() + kFileSize, fileSize);
    WriteText(b.data() + kSender, kKeyWidth, sender);
    return b;
}

bool ChunkHead::Decode(const std::uint8_t* payload, std::size_t length, ChunkHead& head) {
    if (length < kSize) return false;
    head.fileName = ReadText(payload + kFileName, kNameWidth);
    head.fileSize = GetU32(payload + kFileSize);
    head.sender = ReadText(payload + kSender, kKeyWidth);
    head.chunkCount = GetU32(payload + kChunkCount);
    head.chunkNumber = GetU32(payload + kChunkNumber);
    head.fileOffset = GetU32(payload + kFileOffset);
    head.chunkLength = GetU32(payload + kChunkLength);
    return head.chunkLength <= length - kSize;
}

Bytes ChunkHead::Encode(const std::uint8_t* data, std::size_t length) const {
    Bytes b(kSize + length, 0);
    WriteText(b.data() + kFileName, kNameWidth, fileName);
    PutU32(b.data() + kFileSize, fileSize);
    WriteText(b.data() + kSender, kKeyWidth, sender);
    PutU32(b.data() + kChunkCount, chunkCount);
    PutU32(b.data() + kChunkNumber, chunkNumber);
    PutU32(b.data() + kFileOffset, fileOffset);
    PutU32(b.data() + kChunkLength, static_cast<std::uint32_t>(length));
    if (length > 0) std::memcpy(b.data() + kSize, data, length);
    return b;
}

void FileEntry::EncodeInto(std::uint8_t* out) const {
    std::memset(out, 0, kSize);
    WriteText(out + kSenderNumber, kKeyWidth, senderNumber);
    WriteText(out + kSenderName, kKeyWidth, senderName);
    WriteText(out + kSenderKey, kKeyWidth, senderKey);
    WriteText(out + kStoredName, kNameWidth, storedName);
    PutU32(out + kFileSize, fileSize);
    PutU32(out + kSentAt, sentAt);
}

FileEntry FileEntry::Decode(const std::uint8_t* in) {
    return {ReadText(in + kSenderNumber, kKeyWidth),
            ReadText(in + kSenderName, kKeyWidth),
            ReadText(in + kSenderKey, kKeyWidth),
            ReadText(in + kStoredName, kNameWidth),
            GetU32(in + kFileSize),
            GetU32(in + kSentAt)};
}

RechargeRequest RechargeRequest::Decode(const std::uint8_t* payload, std::size_t length) {
    const Bytes b = PaddedCopy(payload, length, kSize);
    return {ReadText(b.data() + kNumber, kKeyWidth), static_cast<char>(b[kCardType]),
            ReadText(b.data() + kCardNumber, kKeyWidth),
            ReadText(b.data() + kCardPassword, kKeyWidth)};
}

namespace {

// Appends a zero-terminated text at `offset`, zero-filling the gap before it.
void PutTextAt(Bytes& b, std::size_t offset, std::string_view text) {
    b.resize(offset, 0);
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
}

}  // namespace

Bytes StatusReply(std::uint8_t status, std::string_view text) {
    Bytes b{status};
    PutTextAt(b, 1, text);
    return b;
}

Bytes DownloadReply(std::uint8_t status, std::string_view fileName, std::string_view text) {
    Bytes b(kDownloadText, 0);
    b[0] = status;
    WriteText(b.data() + 1, kNameWidth, fileName);
    PutTextAt(b, kDownloadText, text);
    return b;
}

Bytes UploadReply(std::uint8_t status, std::uint8_t reason, std::string_view fileName,
                  std::string_view text) {
    Bytes b(kUploadText, 0);
    b[0] = status;
    b[1] = reason;
    WriteText(b.data() + kUploadName, kNameWidth, fileName);
    PutTextAt(b, kUploadText, text);
    return b;
}

Bytes FriendReply(std::uint8_t status, std::string_view number, std::string_view key,
                  std::string_view text) {
    Bytes b(kFriendReplyText, 0);
    b[0] = status;
    WriteText(b.data() + kFriendReplyNumber, kKeyWidth, number);
    WriteText(b.data() + kFriendReplyKey, kKeyWidth, key);
    PutTextAt(b, kFriendReplyText, text);
    return b;
}

}  // namespace tessd
