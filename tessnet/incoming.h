// What the reader thread does with every packet the server sends: chunks to disk, uploads
// released, and above all notifications to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "packet.h"

namespace tessnet {

class Connection;
class PendingNotice;

// What the handler works with on the reader thread.
struct ReaderContext {
    Connection& connection;
    const std::stop_token& stop;
    PendingNotice& notice;  // the reader's notification in the host's hands
    bool ended = false;     // the handler ended the connection (configuration files served)
};

// One packet from the server. A download chunk the host will hear of is written once the host has
// handled the notification before, and its progress handed over without waiting, so the reader
// checks and expands the next packets while the host works; chunks in between tell the host
// nothing new and are written without waiting. Every other notification is waited for.
void HandlePacket(ReaderContext& reader, const PacketHeader& header, const std::uint8_t* payload,
                  std::size_t length);

// The library ended the upload of `fileName` on its own (unreadable, short, not sent): the host
// hears it as a type 9 refusal with reason 5, status 0 and a text of the library's own, in the
// server's layout. False when stopped.
bool NotifyUploadFailed(Connection& connection, PendingNotice& notice, std::string_view fileName);

// After an upload answer the host has handled: type 33 when the connection's upload queue is
// empty, unless a file the host queued before its turn came fills it again. False when stopped.
bool NotifyIfQueueEmpty(Connection& connection, PendingNotice& notice);

// The server closed: each download it left unfinished or failed is removed and reported to the
// host as failed (type 7), and every notification is waited for. False when stopped meanwhile.
bool ReportUnfinishedDownloads(ReaderContext& reader);

}  // namespace tessnet
