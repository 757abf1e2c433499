// The 32-byte packet header, the command codes, and packet building and parsing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessnet {

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kMaxBodyLength = 8192;  // largest body a receiver accepts
inline constexpr std::size_t kWorkAreaSize = 61440;  // decompressed body / upload chunk packet
inline constexpr std::size_t kMaxPayloadLength = kWorkAreaSize - kHeaderSize;  // 61408
inline constexpr std::size_t kRequestCapacity = 8192;  // outCapacity of every request

// Header field offsets (little-endian, byte-packed).
inline constexpr std::size_t kOffSync = 0;
inline constexpr std::size_t kOffCommand = 3;
inline constexpr std::size_t kOffFixedOne = 8;
inline constexpr std::size_t kOffPieceCount = 12;
inline constexpr std::size_t kOffPieceNumber = 16;
inline constexpr std::size_t kOffChecksum = 20;
inline constexpr std::size_t kOffBodyLength = 24;
static_assert(kOffBodyLength + 2 + 6 == kHeaderSize);

enum Command : std::uint8_t {
    CMD_LOGIN = 0,
    CMD_LOGIN_RESULT = 1,
    CMD_REGISTER = 2,
    CMD_REGISTER_RESULT = 3,
    CMD_LIST = 4,
    CMD_LIST_SUMMARY = 5,
    CMD_DOWNLOAD = 6,
    CMD_DOWNLOAD_ANSWER = 7,
    CMD_ANNOUNCE = 8,
    CMD_ANNOUNCE_ANSWER = 9,
    CMD_DELETE = 10,
    CMD_DELETE_RESULT = 11,
    CMD_ADD_FRIEND = 12,
    CMD_ADD_FRIEND_RESULT = 13,
    CMD_DEL_FRIEND = 14,
    CMD_DEL_FRIEND_RESULT = 15,
    CMD_MODIFY_FRIEND = 16,
    CMD_MODIFY_FRIEND_RESULT = 17,
    CMD_MODIFY_USER = 18,
    CMD_MODIFY_USER_RESULT = 19,
    CMD_ADDRESS_BOOK = 28,
    CMD_SERVER_DATA = 29,
    CMD_FILE_ENTRIES = 30,
    CMD_CHUNK = 31,
    CMD_OWN_PROFILE = 32,
    CMD_PAYMENT_REMINDER = 35,
    CMD_RECHARGE = 36,
    CMD_NOTICE = 39,
    CMD_CARD_QUERY = 40,
    CMD_CARD_ANSWER = 41,
    CMD_CONFIG_REQUEST = 128,
    CMD_CONFIG_CHUNK = 129,
};

// The reason byte (b[1]) of an upload answer (command 9).
enum class UploadReason : std::uint8_t {
    GoAhead = 0,  // send the chunks
    OverQuota = 1,
    Refused = 2,
    Exists = 3,    // a file of that name is stored: the host asks the user (Confirm)
    Complete = 4,  // the whole file arrived
    Broken = 5,
};

struct PacketHeader {
    std::uint8_t command = 0;
    std::uint32_t fixedOne = 1;
    std::uint32_t pieceCount = 1;
    std::uint32_t pieceNumber = 1;
    std::uint32_t checksum = 0;
    std::uint16_t bodyLength = 0;
};

// The cutting rule for the front of a received byte stream, whatever holds the bytes. `front`
// has the first min(available, 32) of the `available` bytes. Bytes before a header's ":::" are
// dropped one sync position at a time, so the stream resynchronises after garbage; a header that
// announces more than kMaxBodyLength bytes is dropped whole.
struct Cut {
    enum Kind { Wait, Skip, Packet };
    Kind kind = Wait;        // Wait: the packet is not complete yet
    std::size_t length = 0;  // Skip: bytes to drop; Packet: header and body
    PacketHeader header;     // Packet only
};
Cut CutFront(const std::uint8_t* front, std::size_t available);

// Writes the 32 header bytes: three colons, the fields, zero reserved bytes.
void EncodeHeader(const PacketHeader& header, std::uint8_t* out);
// Reads the fields of 32 header bytes; false when the three sync colons are missing.
bool DecodeHeader(const std::uint8_t* in, PacketHeader& header);

// Payload to packet bytes. The body is the compressed payload when Compress succeeds, a plain
// copy otherwise. packetLength (body + 32) is reported even when out is too small.
bool BuildPacket(const std::uint8_t* payload, std::uint16_t payloadLength, std::uint8_t command,
                 std::uint32_t fixedOne, std::uint32_t pieceCount, std::uint32_t pieceNumber,
                 std::uint8_t* out, std::uint16_t outCapacity, std::uint16_t& packetLength);

// Header and body to payload. Fails (drop silently) on a checksum mismatch; a body that does not
// decompress is delivered raw when it fits.
bool ParsePacket(const std::uint8_t* header, const std::uint8_t* body, std::uint8_t* out,
                 std::uint16_t outCapacity, std::uint16_t& payloadLength);

// Little-endian helpers for fixed byte layouts.
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace tessnet
