// ReceivedFileEntry: one stored file as a file-list reply describes it, 364 bytes on the wire.
// Every text field is read within its own width, so a field without its terminator never runs
// into the next one.
#pragma once

#include "tessnet/tessnet.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tessan {

struct ReceivedFileEntry {
    static constexpr std::size_t kSize = TESS_ENTRY_SIZE;

    // GBK bytes as they came, without the terminator. A key that fills its whole field is kept
    // whole: QByteArray always has room for the terminator.
    QByteArray senderNumber;
    QByteArray senderName;
    QByteArray senderKey;
    QByteArray storedName;
    std::uint32_t fileSize = 0;
    std::uint32_t sentTime = 0;

    // The stored name after its first "@"; the whole stored name when it has none.
    QByteArray FileName() const;

    static ReceivedFileEntry Parse(std::span<const std::uint8_t, kSize> bytes);
    // The whole records of a file-list reply's data; a partial record at the end is left out.
    static std::vector<ReceivedFileEntry> ParseAll(QByteArrayView data);
    // The record as the server builds it (tests and the development server's peers).
    QByteArray Serialize() const;
};

}  // namespace tessan
