// What the reader thread does with every packet the server sends: chunks to disk, uploads
// released, and above all notifications to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "packet.h"

namespace tessnet {

class Connection;
class ThreadSlot;

void HandlePacket(Connection& connection, const std::shared_ptr<ThreadSlot>& reader,
                  const PacketHeader& header, const std::uint8_t* payload, std::size_t length);

// Writes `length` bytes at `offset` and cuts the file off right after them. 1 or 0.
int WriteChunk(const std::string& path, const std::uint8_t* data, std::size_t length,
               std::uint64_t offset);

}  // namespace tessnet
