#include "framing.h"

#include <memory>

namespace tessd {

using namespace tessnet;

void StreamCutter::Append(const std::uint8_t* data, std::size_t length) {
    // Compact before growing so that the buffer holds at most one packet plus one receipt.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + length);
}

void StreamCutter::Consume(std::size_t n) {
    start_ += n;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
}

bool StreamCutter::Next(Packet& packet) {
    while (Buffered() >= kHeaderSize) {
        const std::uint8_t* p = buffer_.data() + start_;
        if (p[0] != ':' || p[1] != ':' || p[2] != ':') {
            const std::size_t skip = p[0] != ':' ? 1 : p[1] != ':' ? 2 : 3;
            skipped_ += skip;
            Consume(skip);
            continue;
        }
        PacketHeader header;
        DecodeHeader(p, header);
        if (header.bodyLength > kMaxBodyLength) {
            skipped_ += kHeaderSize;
            Consume(kHeaderSize);
            continue;
        }
        if (Buffered() < kHeaderSize + header.bodyLength) return false;

        thread_local std::unique_ptr<std::uint8_t[]> work;
        if (!work) work = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
        std::uint16_t payloadLength = 0;
        const bool ok = ParsePacket(p, p + kHeaderSize, work.get(), kWorkAreaSize, payloadLength);
        Consume(kHeaderSize + header.bodyLength);
        if (!ok) {
            ++dropped_;
            continue;
        }
        packet.header = header;
        packet.payload.assign(work.get(), work.get() + payloadLength);
        return true;
    }
    return false;
}

}  // namespace tessd
