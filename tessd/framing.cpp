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
    for (;;) {
        const std::uint8_t* p = buffer_.data() + start_;
        const Cut cut = CutFront(p, Buffered());
        if (cut.kind == Cut::Wait) return false;
        if (cut.kind == Cut::Skip) {
            skipped_ += cut.length;
            Consume(cut.length);
            continue;
        }
        thread_local std::unique_ptr<std::uint8_t[]> work;
        if (!work) work = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
        std::uint16_t payloadLength = 0;
        const bool ok = ParsePacket(p, p + kHeaderSize, work.get(), kWorkAreaSize, payloadLength);
        Consume(cut.length);
        if (!ok) {
            ++dropped_;
            continue;
        }
        packet.header = cut.header;
        packet.payload.assign(work.get(), work.get() + payloadLength);
        return true;
    }
}

}  // namespace tessd
