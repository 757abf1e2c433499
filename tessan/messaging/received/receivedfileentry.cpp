#include "messaging/received/receivedfileentry.h"

#include "tessnet/tessnet.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace tessan {

using Entry = ReceivedFileEntry;
static_assert(Entry::kSize == TESS_ENTRY_SIZE);
static_assert(Entry::kSenderOffset == TESS_ENTRY_OFF_SENDER);
static_assert(Entry::kSenderNameOffset == TESS_ENTRY_OFF_SENDER_NAME);
static_assert(Entry::kSenderKeyOffset == TESS_ENTRY_OFF_PUBLIC_KEY);
static_assert(Entry::kStoredNameOffset == TESS_ENTRY_OFF_STORED_NAME);
static_assert(Entry::kFileSizeOffset == TESS_ENTRY_OFF_FILE_SIZE);
static_assert(Entry::kSentTimeOffset == TESS_ENTRY_OFF_SENT_TIME);
static_assert(Entry::kStoredNameOffset + Entry::kNameWidth == Entry::kFileSizeOffset);
static_assert(Entry::kSentTimeOffset + 4 == Entry::kSize);

namespace {

QByteArray Field(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
    const auto field = bytes.subspan(offset, width);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return QByteArray(reinterpret_cast<const char*>(field.data()),
                      static_cast<qsizetype>(end - field.begin()));
}

void Put(QByteArray& out, std::size_t offset, std::size_t width, const QByteArray& text) {
    // Whole width when the text fills it, as a server may send a key.
    std::memcpy(out.data() + offset, text.constData(),
                std::min<std::size_t>(width, static_cast<std::size_t>(text.size())));
}

}  // namespace

QByteArray Entry::FileName() const {
    const qsizetype at = storedName.indexOf('@');
    return at < 0 ? storedName : storedName.mid(at + 1);
}

Entry Entry::Parse(std::span<const std::uint8_t, kSize> bytes) {
    Entry e;
    e.senderNumber = Field(bytes, kSenderOffset, kAccountWidth);
    e.senderName = Field(bytes, kSenderNameOffset, kAccountWidth);
    e.senderKey = Field(bytes, kSenderKeyOffset, kAccountWidth);
    e.storedName = Field(bytes, kStoredNameOffset, kNameWidth);
    e.fileSize = qFromLittleEndian<std::uint32_t>(bytes.data() + kFileSizeOffset);
    e.sentTime = qFromLittleEndian<std::uint32_t>(bytes.data() + kSentTimeOffset);
    return e;
}

std::vector<Entry> Entry::ParseAll(QByteArrayView data) {
    std::vector<Entry> entries;
    const auto count = static_cast<std::size_t>(data.size()) / kSize;
    entries.reserve(count);
    const auto* base = reinterpret_cast<const std::uint8_t*>(data.data());
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back(Parse(std::span<const std::uint8_t, kSize>(base + i * kSize, kSize)));
    return entries;
}

QByteArray Entry::Serialize() const {
    QByteArray out(static_cast<qsizetype>(kSize), '\0');
    Put(out, kSenderOffset, kAccountWidth, senderNumber);
    Put(out, kSenderNameOffset, kAccountWidth, senderName);
    Put(out, kSenderKeyOffset, kAccountWidth, senderKey);
    Put(out, kStoredNameOffset, kNameWidth, storedName);
    qToLittleEndian(fileSize, out.data() + kFileSizeOffset);
    qToLittleEndian(sentTime, out.data() + kSentTimeOffset);
    return out;
}

}  // namespace tessan
