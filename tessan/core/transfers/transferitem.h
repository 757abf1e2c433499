// TransferItem: the 685-byte record behind each row of the transfer list, everything needed to
// start the transfer again. Zero when built; fields are written whole or cut at a character.
#pragma once

#include "core/records/record.h"

#include <QtEndian>

namespace tessan {

class TransferItem : public FixedRecord<685> {
  public:
    enum class Direction : std::uint8_t { Upload = 0, Download = 1 };
    enum class Field {
        ServerAddress,
        PeerNumber,
        AccountNumber,
        PeerName,
        AccountKey,
        RemoteName,
        LocalPath
    };

    static constexpr FieldLayout Layout(Field field) {
        switch (field) {
            case Field::ServerAddress:
                return {1, 32};
            case Field::PeerNumber:
                return {37, 32};
            case Field::AccountNumber:
                return {69, 32};
            case Field::PeerName:
                return {101, 32};
            case Field::AccountKey:
                return {133, 32};
            case Field::RemoteName:
                return {165, 260};
            case Field::LocalPath:
                return {425, 260};
        }
        return {0, 0};
    }
    static constexpr std::size_t kDirectionOffset = 0;
    static constexpr std::size_t kServerPortOffset = 33;

    TransferItem() = default;
    explicit TransferItem(Direction direction) { SetDirection(direction); }

    Direction direction() const { return static_cast<Direction>(bytes_[kDirectionOffset]); }
    void SetDirection(Direction d) { bytes_[kDirectionOffset] = static_cast<std::uint8_t>(d); }
    bool IsUpload() const { return direction() == Direction::Upload; }

    std::int32_t ServerPort() const {
        return qFromLittleEndian<std::int32_t>(bytes_.data() + kServerPortOffset);
    }
    void SetServerPort(std::int32_t port) {
        qToLittleEndian(port, bytes_.data() + kServerPortOffset);
    }

    // GBK bytes as stored; the library takes them as they are.
    QByteArray Raw(Field field) const { return FieldBytes(Layout(field)); }
    bool SetRaw(Field field, QByteArrayView gbk) { return SetFieldBytes(Layout(field), gbk); }
    QString Text(Field field) const { return FieldText(Layout(field)); }
    bool SetText(Field field, const QString& text) { return SetFieldText(Layout(field), text); }
    // Who the other party is to the user: the name, or the number when the name is empty (a
    // friend on another server may have none).
    QByteArray RawPeerLabel() const {
        const QByteArray name = Raw(Field::PeerName);
        return name.isEmpty() ? Raw(Field::PeerNumber) : name;
    }
    QString PeerLabel() const {
        const QString name = Text(Field::PeerName);
        return name.isEmpty() ? Text(Field::PeerNumber) : name;
    }
    // Local paths are UTF-8 on this platform, not GBK.
    QString LocalPath() const;
    bool SetLocalPath(const QString& path);
};

static_assert(TransferItem::Layout(TransferItem::Field::LocalPath).offset + 260 ==
              TransferItem::kSize);
static_assert(TransferItem::kServerPortOffset + 4 ==
              TransferItem::Layout(TransferItem::Field::PeerNumber).offset);

}  // namespace tessan
