// What the reader thread does with every packet the server sends: chunks to disk, uploads
// released, and above all notifications to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "packet.h"
#include "unique_fd.h"

namespace tessnet {

class Connection;
class PendingNotice;

// Writes file chunks: `length` bytes at `offset`, and the file is cut off right after them, so
// chunks in order rebuild it and a restarted download replaces a longer old copy. The file of
// consecutive chunks stays open between them (reopened if it was deleted meanwhile) and is
// closed after its last chunk. One per reader thread.
class ChunkWriter {
  public:
    // 1 or 0.
    int WriteChunk(const std::string& path, const std::uint8_t* data, std::size_t length,
                   std::uint64_t offset, bool last);

  private:
    std::string path_;
    UniqueFd fd_;
};

// What the handler works with on the reader thread.
struct ReaderContext {
    Connection& connection;
    const std::stop_token& stop;
    PendingNotice& notice;  // the reader's notification in the host's hands
    ChunkWriter& writer;    // download chunks
    bool ended = false;     // the handler ended the connection (configuration files served)
};

// One packet from the server. A download chunk is written once the host has handled the
// notification before, and its progress handed over without waiting, so the reader checks and
// expands the next packet while the host works; every other notification is waited for.
void HandlePacket(ReaderContext& reader, const PacketHeader& header, const std::uint8_t* payload,
                  std::size_t length);

}  // namespace tessnet
