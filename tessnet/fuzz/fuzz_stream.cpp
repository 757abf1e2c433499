// The reader's stream cutter on any byte stream, arriving in pieces of any size: no crash, no
// out-of-bounds access, every packet handed on has a valid sync and a body within the limit, and
// the bytes it keeps never exceed what arrived.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "inbound_queue.h"
#include "packet.h"
#include "stream_cutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessnet;
    if (size < 1) return 0;
    // The first byte chooses the piece sizes; a small ring makes the queue grow and wrap.
    const unsigned pieceSeed = data[0];
    ++data;
    --size;
    CQueueTemplate queue(64);
    auto header = std::make_unique<std::uint8_t[]>(kHeaderSize);
    auto body = std::make_unique<std::uint8_t[]>(kMaxBodyLength);
    auto payload = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
    std::size_t offset = 0;
    unsigned step = 0;
    while (offset < size) {
        std::size_t piece = 1 + ((pieceSeed * 31u + step++ * 17u) % 97u);
        if (piece > size - offset) piece = size - offset;
        if (queue.Append(data + offset, piece) != 1) std::abort();
        offset += piece;
        CutPackets(queue, header.get(), body.get(), [&](const PacketHeader& h) {
            if (header[0] != ':' || header[1] != ':' || header[2] != ':') std::abort();
            if (h.bodyLength > kMaxBodyLength) std::abort();
            std::uint16_t length = 0;
            if (ParsePacket(header.get(), body.get(), payload.get(), kWorkAreaSize, length) &&
                length > kWorkAreaSize)
                std::abort();
            return true;
        });
        if (queue.Count() > offset) std::abort();
    }
    return 0;
}
