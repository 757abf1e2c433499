// Shared base of the fixed-layout records: raw bytes with named text fields at fixed offsets.
#pragma once

#include "core/base/gbk.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tessan {

struct FieldLayout {
    std::size_t offset;
    std::size_t width;
};

// A record of Size bytes, zero when built, whose text fields are zero-terminated GBK. Bytes that
// no accessor names (reserved) are kept exactly as they were read.
template <std::size_t Size>
class FixedRecord {
  public:
    static constexpr std::size_t kSize = Size;

    const std::array<std::uint8_t, Size>& Bytes() const { return bytes_; }

  protected:
    FixedRecord() = default;

    // The record held by `bytes`, or nothing when it is not exactly kSize bytes long.
    template <typename Record>
    static std::optional<Record> FromBytesAs(std::span<const std::uint8_t> bytes) {
        if (bytes.size() != Size) return std::nullopt;
        Record record;
        std::copy(bytes.begin(), bytes.end(), record.bytes_.begin());
        return record;
    }

    std::span<const std::uint8_t> Field(FieldLayout f) const {
        return std::span(bytes_).subspan(f.offset, f.width);
    }
    std::span<std::uint8_t> Field(FieldLayout f) {
        return std::span(bytes_).subspan(f.offset, f.width);
    }

    QString FieldText(FieldLayout f) const { return ReadFixedText(Field(f)); }
    QByteArray FieldBytes(FieldLayout f) const { return ReadFixedField(Field(f)); }
    bool SetFieldText(FieldLayout f, const QString& text) { return WriteFixedText(Field(f), text); }
    bool SetFieldBytes(FieldLayout f, QByteArrayView gbk) { return WriteFixedField(Field(f), gbk); }

    std::array<std::uint8_t, Size> bytes_{};
};

}  // namespace tessan
