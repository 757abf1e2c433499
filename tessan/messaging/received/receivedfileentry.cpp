#include "messaging/received/receivedfileentry.h"

#include "core/base/gbk.h"
#include "wire_text.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace tessan {

using Entry = ReceivedFileEntry;

namespace {

constexpr std::size_t kAccountWidth = TESS_ACCOUNT_SIZE;
constexpr std::size_t kNameWidth = TESS_NAME_SIZE;
static_assert(TESS_ENTRY_OFF_STORED_NAME + kNameWidth == TESS_ENTRY_OFF_FILE_SIZE);
static_assert(TESS_ENTRY_OFF_SENT_TIME + 4 == Entry::kSize);

void Put(QByteArray& out, std::size_t offset, std::size_t width, const QByteArray& text) {
    // Whole width when the text fills it, as a server may send a key.
    std::memcpy(out.data() + offset, text.constData(),
                std::min<std::size_t>(width, static_cast<std::size_t>(text.size())));
}

}  // namespace

QByteArray Entry::FileName() const {
    const auto split = tessnet::StoredName::Split(std::string_view(storedName));
    return split ? QByteArray(split->name.data(), static_cast<qsizetype>(split->name.size()))
                 : storedName;
}

Entry Entry::Parse(std::span<const std::uint8_t, kSize> bytes) {
    Entry e;
    e.senderNumber = ReadFixedField(bytes.subspan(TESS_ENTRY_OFF_SENDER, kAccountWidth));
    e.senderName = ReadFixedField(bytes.subspan(TESS_ENTRY_OFF_SENDER_NAME, kAccountWidth));
    e.senderKey = ReadFixedField(bytes.subspan(TESS_ENTRY_OFF_PUBLIC_KEY, kAccountWidth));
    e.storedName = ReadFixedField(bytes.subspan(TESS_ENTRY_OFF_STORED_NAME, kNameWidth));
    e.fileSize = qFromLittleEndian<std::uint32_t>(bytes.data() + TESS_ENTRY_OFF_FILE_SIZE);
    e.sentTime = qFromLittleEndian<std::uint32_t>(bytes.data() + TESS_ENTRY_OFF_SENT_TIME);
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
    Put(out, TESS_ENTRY_OFF_SENDER, kAccountWidth, senderNumber);
    Put(out, TESS_ENTRY_OFF_SENDER_NAME, kAccountWidth, senderName);
    Put(out, TESS_ENTRY_OFF_PUBLIC_KEY, kAccountWidth, senderKey);
    Put(out, TESS_ENTRY_OFF_STORED_NAME, kNameWidth, storedName);
    qToLittleEndian(fileSize, out.data() + TESS_ENTRY_OFF_FILE_SIZE);
    qToLittleEndian(sentTime, out.data() + TESS_ENTRY_OFF_SENT_TIME);
    return out;
}

}  // namespace tessan
