// Text at the edges: GBK bytes (records, wire, local binary files) to QString and back, and the
// fixed zero-terminated text fields every record is made of.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessan {

// GBK is decoded and encoded as GB18030: byte-identical for every GBK character, and able to carry
// any other character instead of failing. Undecodable bytes become U+FFFD; nothing is dropped
// silently beyond them.
QString GbkToQString(QByteArrayView gbk);
QByteArray QStringToGbk(const QString& text);

// Length of the longest prefix of `gbk` that fits in maxBytes without splitting a character.
qsizetype GbkPrefixLength(QByteArrayView gbk, qsizetype maxBytes);

// Position of the first character `ascii` (below 0x80) in `gbk`, -1 when none. The trail byte of a
// two-byte character may equal an ASCII byte ('@' among them); it is not a match.
qsizetype GbkIndexOf(QByteArrayView gbk, char ascii);

// A fixed field holds at most its width minus one bytes of text, then zeros.
// Reading stops at the first zero or at the field's end, whichever comes first.
QByteArray ReadFixedField(std::span<const std::uint8_t> field);
QString ReadFixedText(std::span<const std::uint8_t> field);
// Zero-fills the field, then writes as much of the text as fits whole characters. Returns false
// when the text had to be cut.
bool WriteFixedField(std::span<std::uint8_t> field, QByteArrayView gbk);
bool WriteFixedText(std::span<std::uint8_t> field, const QString& text);

// A zero-terminated GBK text of at most N - 1 bytes, for values the C interfaces take as char[N].
template <std::size_t N>
class FixedText {
  public:
    static_assert(N >= 1);
    static constexpr std::size_t kWidth = N;

    FixedText() = default;
    explicit FixedText(QByteArrayView gbk) { Set(gbk); }

    bool Set(QByteArrayView gbk) { return WriteFixedField(bytes_, gbk); }
    bool SetText(const QString& text) { return WriteFixedText(bytes_, text); }
    void Clear() { bytes_.fill(0); }

    bool IsEmpty() const { return bytes_[0] == 0; }
    const char* CStr() const { return reinterpret_cast<const char*>(bytes_.data()); }
    QByteArray Bytes() const { return ReadFixedField(bytes_); }
    QString Text() const { return ReadFixedText(bytes_); }
    std::span<const std::uint8_t, N> Raw() const { return bytes_; }

    friend bool operator==(const FixedText&, const FixedText&) = default;

  private:
    std::array<std::uint8_t, N> bytes_{};
};

}  // namespace tessan
