// ParsePacket on any header and body: no crash, no read or write out of bounds, and a payload
// that never exceeds the capacity. BuildPacket's output always parses back to its payload.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codec.h"
#include "packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessnet;
    if (size < kHeaderSize + 2) return 0;
    const std::uint16_t capacity = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    data += 2;
    size -= 2;

    std::uint8_t header[kHeaderSize];
    std::memcpy(header, data, kHeaderSize);
    // The reader hands over exactly bodyLength bytes; keep the body buffer that exact.
    const std::size_t available = size - kHeaderSize;
    std::uint16_t bodyLength = GetU16(header + kOffBodyLength);
    if (bodyLength > available) {
        bodyLength = static_cast<std::uint16_t>(available);
        PutU16(header + kOffBodyLength, bodyLength);
    }
    auto body = std::make_unique<std::uint8_t[]>(bodyLength + (bodyLength == 0));
    std::memcpy(body.get(), data + kHeaderSize, bodyLength);
    // Half the time fix the checksum so parsing goes past it.
    if (data[3] & 1) PutU32(header + kOffChecksum, Crc32(body.get(), bodyLength));
    auto out = std::make_unique<std::uint8_t[]>(capacity + (capacity == 0));
    std::uint16_t length = 0;
    ParsePacket(header, body.get(), out.get(), capacity, length);
    if (length > capacity) std::abort();

    // Round trip: what BuildPacket makes, ParsePacket gives back.
    // A raw payload that itself starts with the magic is read as a stream on receipt: the wire
    // format cannot tell the two apart, so such payloads are left out of the round trip.
    const std::size_t n = available < kMaxPayloadLength ? available : kMaxPayloadLength;
    if (n > 0 && !(n >= 5 && std::memcmp(data + kHeaderSize, kCodecMagic, 5) == 0)) {
        auto packet = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
        std::uint16_t packetLength = 0;
        if (!BuildPacket(data + kHeaderSize, static_cast<std::uint16_t>(n), header[kOffCommand], 1,
                         1, 1, packet.get(), kWorkAreaSize, packetLength))
            std::abort();
        auto back = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
        std::uint16_t backLength = 0;
        if (!ParsePacket(packet.get(), packet.get() + kHeaderSize, back.get(), kWorkAreaSize,
                         backLength) ||
            backLength != n || std::memcmp(back.get(), data + kHeaderSize, n) != 0)
            std::abort();
    }
    return 0;
}
