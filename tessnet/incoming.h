// What the reader thread does with every packet the server sends: chunks to disk, uploads
// released, and above all notifications to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "packet.h"
#include "step_pipe.h"
#include "unique_fd.h"

namespace tessnet {

class Connection;
class ThreadSlot;

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

// Where a reader thread's download chunks go. They are written by a StepPipe, so that the reader checks and expands the next packet
// meanwhile; a chunk's progress goes to the host once the chunk is written.
class ChunkSink {
  public:
    explicit ChunkSink(std::shared_ptr<ThreadSlot> reader) : reader_(std::move(reader)) {}

    // Hands a download chunk over (`path` empty: nothing to write), with its progress record.
    void Download(std::string path, const std::uint8_t* data, std::size_t length,
                  std::uint64_t offset, bool last, const std::uint8_t* record);

  private:
    std::shared_ptr<ThreadSlot> reader_;
    std::shared_ptr<ChunkWriter> downloadWriter_ = std::make_shared<ChunkWriter>();
    StepPipe pipe_;
};

void HandlePacket(Connection& connection, const std::shared_ptr<ThreadSlot>& reader,
                  ChunkSink& chunks, const PacketHeader& header, const std::uint8_t* payload,
                  std::size_t length);

}  // namespace tessnet
