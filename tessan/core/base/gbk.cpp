#include "core/base/gbk.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "wire_text.h"

namespace tessan {

QString GbkToQString(QByteArrayView gbk) {
    if (gbk.empty()) return {};
    const std::string utf8 = tessnet::GbkToUtf8Lossy(
        std::string_view(gbk.data(), static_cast<std::size_t>(gbk.size())), "\xEF\xBF\xBD");
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray QStringToGbk(const QString& text) {
    if (text.isEmpty()) return {};
    const QByteArray utf8 = text.toUtf8();
    const std::string gbk = tessnet::Utf8ToGbkLossy(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), "?");
    return QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size()));
}

namespace {

// Bytes of the character that starts at `pos`: 1, 2, or 4 (GB18030's four-byte form).
qsizetype CharacterLength(QByteArrayView gbk, qsizetype pos) {
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (lead < 0x81 || lead > 0xFE || pos + 1 >= gbk.size()) return 1;
    const auto second = static_cast<unsigned char>(gbk[pos + 1]);
    return (second >= 0x30 && second <= 0x39) ? 4 : 2;
}

}  // namespace

qsizetype GbkPrefixLength(QByteArrayView gbk, qsizetype maxBytes) {
    qsizetype pos = 0;
    while (pos < gbk.size()) {
        const qsizetype length = CharacterLength(gbk, pos);
        if (pos + length > maxBytes) break;
        pos += length;
    }
    return std::min(pos, gbk.size());
}

qsizetype GbkIndexOf(QByteArrayView gbk, char ascii) {
    for (qsizetype pos = 0; pos < gbk.size(); pos += CharacterLength(gbk, pos))
        if (gbk[pos] == ascii) return pos;
    return -1;
}

QByteArray ReadFixedField(std::span<const std::uint8_t> field) {
    const auto* begin = reinterpret_cast<const char*>(field.data());
    const auto* end = static_cast<const char*>(std::memchr(begin, 0, field.size()));
    return QByteArray(begin, end ? end - begin : static_cast<qsizetype>(field.size()));
}

QString ReadFixedText(std::span<const std::uint8_t> field) {
    return GbkToQString(ReadFixedField(field));
}

bool WriteFixedField(std::span<std::uint8_t> field, QByteArrayView gbk) {
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    if (field.empty()) return gbk.empty();
    // Text after an embedded zero would be invisible to every reader of the field.
    const qsizetype zero = gbk.indexOf('\0');
    const QByteArrayView text = zero < 0 ? gbk : gbk.first(zero);
    const qsizetype length = GbkPrefixLength(text, static_cast<qsizetype>(field.size()) - 1);
    if (length > 0) std::memcpy(field.data(), text.data(), static_cast<std::size_t>(length));
    return length == gbk.size();
}

bool WriteFixedText(std::span<std::uint8_t> field, const QString& text) {
    return WriteFixedField(field, QStringToGbk(text));
}

}  // namespace tessan
