// Cuts a TCP byte stream into packets: resynchronises on ":::", skips headers that announce a
// body above 8192 bytes and drops packets whose checksum does not match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "packet.h"

namespace tessd {

struct Packet {
    tessnet::PacketHeader header;
    std::vector<std::uint8_t> payload;
};

class StreamCutter {
  public:
    void Append(const std::uint8_t* data, std::size_t length);
    // Takes the next valid packet out of the buffered bytes; false when more bytes are needed.
    bool Next(Packet& packet);

    std::size_t Buffered() const { return buffer_.size() - start_; }
    std::size_t SkippedBytes() const { return skipped_; }
    std::size_t DroppedPackets() const { return dropped_; }

  private:
    void Consume(std::size_t n);

    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first unconsumed byte
    std::size_t skipped_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace tessd
