#include "packet.h"

#include <array>
#include <cstring>
#include <memory>

#include "codec.h"

namespace tessnet {

void EncodeHeader(const PacketHeader& header, std::uint8_t* out) {
    std::memset(out, 0, kHeaderSize);
    out[0] = out[1] = out[2] = ':';
    out[kOffCommand] = header.command;
    PutU32(out + kOffFixedOne, header.fixedOne);
    PutU32(out + kOffPieceCount, header.pieceCount);
    PutU32(out + kOffPieceNumber, header.pieceNumber);
    PutU32(out + kOffChecksum, header.checksum);
    PutU16(out + kOffBodyLength, header.bodyLength);
}

bool DecodeHeader(const std::uint8_t* in, PacketHeader& header) {
    if (in[0] != ':' || in[1] != ':' || in[2] != ':') return false;
    header.command = in[kOffCommand];
    header.fixedOne = GetU32(in + kOffFixedOne);
    header.pieceCount = GetU32(in + kOffPieceCount);
    header.pieceNumber = GetU32(in + kOffPieceNumber);
    header.checksum = GetU32(in + kOffChecksum);
    header.bodyLength = GetU16(in + kOffBodyLength);
    return true;
}

Cut CutFront(const std::uint8_t* front, std::size_t available) {
    Cut cut;
    if (available < kHeaderSize) return cut;
    for (std::size_t i = 0; i < 3; ++i)
        if (front[i] != ':') {
            cut.kind = Cut::Skip;
            cut.length = i + 1;
            return cut;
        }
    DecodeHeader(front, cut.header);
    if (cut.header.bodyLength > kMaxBodyLength) {
        cut.kind = Cut::Skip;
        cut.length = kHeaderSize;
        return cut;
    }
    if (available < kHeaderSize + cut.header.bodyLength) return cut;
    cut.kind = Cut::Packet;
    cut.length = kHeaderSize + cut.header.bodyLength;
    return cut;
}

bool BuildPacket(const std::uint8_t* payload, std::uint16_t payloadLength, std::uint8_t command,
                 std::uint32_t fixedOne, std::uint32_t pieceCount, std::uint32_t pieceNumber,
                 std::uint8_t* out, std::uint16_t outCapacity, std::uint16_t& packetLength) {
    packetLength = 0;
    if (!payload || payloadLength == 0 || payloadLength > kMaxPayloadLength) return false;

    // Each thread has its own work area: builds run on the host, reader and sender threads at once.
    thread_local std::unique_ptr<std::array<std::uint8_t, kWorkAreaSize>> workArea;
    if (!workArea)
        workArea = std::make_unique_for_overwrite<std::array<std::uint8_t, kWorkAreaSize>>();
    std::uint8_t* body = workArea->data();

    std::uint16_t bodyLength = 0;
    const bool compressed =
        Compress(payload, payloadLength, body, kWorkAreaSize, bodyLength) == CODEC_OK;
    const std::uint8_t* bodySource = compressed ? body : payload;
    if (!compressed) bodyLength = payloadLength;

    packetLength = static_cast<std::uint16_t>(bodyLength + kHeaderSize);
    if (!out || outCapacity < packetLength) return false;

    PacketHeader header;
    header.command = command;
    header.fixedOne = fixedOne;
    header.pieceCount = pieceCount;
    header.pieceNumber = pieceNumber;
    header.checksum = Crc32(bodySource, bodyLength);
    header.bodyLength = bodyLength;
    std::memcpy(out + kHeaderSize, bodySource, bodyLength);
    EncodeHeader(header, out);
    return true;
}

bool ParsePacket(const std::uint8_t* header, const std::uint8_t* body, std::uint8_t* out,
                 std::uint16_t outCapacity, std::uint16_t& payloadLength) {
    payloadLength = 0;
    if (!header || !body) return false;
    const std::uint16_t bodyLength = GetU16(header + kOffBodyLength);
    if (Crc32(body, bodyLength) != GetU32(header + kOffChecksum)) return false;
    if (bodyLength == 0) return true;
    if (out && Decompress(body, bodyLength, out, outCapacity, payloadLength) == CODEC_OK)
        return true;
    payloadLength = 0;
    if (!out || outCapacity < bodyLength) return false;
    std::memcpy(out, body, bodyLength);
    payloadLength = bodyLength;
    return true;
}

}  // namespace tessnet
