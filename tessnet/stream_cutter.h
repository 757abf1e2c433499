// Cuts packets out of a connection's inbound byte stream.
#pragma once

#include <cstdint>

#include "inbound_queue.h"
#include "packet.h"

namespace tessnet {

// Hands every complete packet in `queue` to `onPacket(header)`, with its 32 header bytes in
// `header` and its body in `body` (room for kMaxBodyLength bytes). Bytes before the ":::" of a
// header are dropped one sync position at a time, so the stream resynchronises after garbage; a
// header that announces more than kMaxBodyLength bytes is dropped whole. An incomplete packet stays
// in the queue for the next call. Returns false as soon as `onPacket` returns false.
template <typename OnPacket>
bool CutPackets(CQueueTemplate& queue, std::uint8_t* header, std::uint8_t* body,
                OnPacket&& onPacket) {
    while (queue.Count() >= kHeaderSize) {
        std::uint8_t c = 0;
        if (queue.PeekAt(0, c) && c != ':') {
            queue.Read(header, 1, true);
            continue;
        }
        if (queue.PeekAt(1, c) && c != ':') {
            queue.Read(header, 2, true);
            continue;
        }
        if (queue.PeekAt(2, c) && c != ':') {
            queue.Read(header, 3, true);
            continue;
        }
        if (queue.Read(header, kHeaderSize, false) < kHeaderSize) continue;
        PacketHeader decoded;
        DecodeHeader(header, decoded);
        if (decoded.bodyLength > kMaxBodyLength) {
            queue.Read(header, kHeaderSize, true);
            continue;
        }
        if (queue.Count() < decoded.bodyLength + kHeaderSize) break;
        queue.Read(header, kHeaderSize, true);
        queue.Read(body, decoded.bodyLength, true);
        if (!onPacket(static_cast<const PacketHeader&>(decoded))) return false;
    }
    return true;
}

}  // namespace tessnet
