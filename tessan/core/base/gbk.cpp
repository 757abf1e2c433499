#include "core/base/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessan {
namespace {

// One conversion direction of iconv, opened once per thread (a descriptor is not thread-safe).
class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; each byte iconv cannot take is replaced by `replacement`.
    QByteArray Convert(QByteArrayView in, QByteArrayView replacement) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = static_cast<std::size_t>(in.size());
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) continue;
            // EILSEQ or a truncated sequence at the end (EINVAL): replace one byte, go on.
            out.append(replacement);
            ++src;
            --srcLeft;
        }
        return out;
    }

  private:
    iconv_t cd_;
};

IconvHandle& Decoder() {
    thread_local IconvHandle handle("UTF-8", "GB18030");
    return handle;
}

IconvHandle& Encoder() {
    thread_local IconvHandle handle("GB18030", "UTF-8");
    return handle;
}

}  // namespace

QString GbkToQString(QByteArrayView gbk) {
    if (gbk.empty()) return {};
    IconvHandle& decoder = Decoder();
    // Without the GB18030 module, keep ASCII and mark everything else as undecodable.
    if (!decoder.Valid()) {
        QString text;
        for (const char c : gbk)
            text.append(static_cast<unsigned char>(c) < 0x80 ? QChar(QLatin1Char(c))
                                                             : QChar(0xFFFD));
        return text;
    }
    return QString::fromUtf8(decoder.Convert(gbk, "\xEF\xBF\xBD"));
}

QByteArray QStringToGbk(const QString& text) {
    if (text.isEmpty()) return {};
    IconvHandle& encoder = Encoder();
    const QByteArray utf8 = text.toUtf8();
    if (!encoder.Valid()) {
        QByteArray out;
        for (const QChar c : text)
            out.append(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
        return out;
    }
    return encoder.Convert(utf8, "?");
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
