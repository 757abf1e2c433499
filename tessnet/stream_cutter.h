// Cuts packets out of a connection's inbound ring with the one cutting rule (CutFront).
#pragma once

#include <cstdint>

#include "inbound_queue.h"
#include "packet.h"

namespace tessnet {

// Hands every complete packet in `queue` to `onPacket(header)`, with its 32 header bytes in
// `header` and its body in `body` (room for kMaxBodyLength bytes). An incomplete packet stays in
// the queue for the next call. Returns false as soon as `onPacket` returns false.
template <typename OnPacket>
bool CutPackets(CQueueTemplate& queue, std::uint8_t* header, std::uint8_t* body,
                OnPacket&& onPacket) {
    for (;;) {
        const std::uint32_t available = queue.Count();
        queue.Read(header, kHeaderSize, false);
        const Cut cut = CutFront(header, available);
        if (cut.kind == Cut::Wait) return true;
        if (cut.kind == Cut::Skip) {
            queue.Read(header, static_cast<std::uint32_t>(cut.length), true);
            continue;
        }
        queue.Read(header, kHeaderSize, true);
        queue.Read(body, cut.header.bodyLength, true);
        if (!onPacket(static_cast<const PacketHeader&>(cut.header))) return false;
    }
}

}  // namespace tessnet
