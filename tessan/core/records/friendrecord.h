// FriendRecord: the 96-byte record of an address-book request (add, modify, delete a friend).
#pragma once

#include "core/records/record.h"

namespace tessan {

class FriendRecord : public FixedRecord<96> {
  public:
    static constexpr FieldLayout kOwner{0, 32};  // the address book's owner: CurrentAccount
    static constexpr FieldLayout kFriendNumber{32, 32};
    static constexpr FieldLayout kFriendKey{64,
                                            32};  // the friend's public key, as the owner knows it
    static_assert(kFriendKey.offset + kFriendKey.width == kSize);

    FriendRecord() = default;  // all zero
    // Fields that do not fit are cut to whole characters.
    FriendRecord(QByteArrayView owner, QByteArrayView friendNumber, QByteArrayView friendKey);
    static std::optional<FriendRecord> FromBytes(std::span<const std::uint8_t> bytes) {
        return FromBytesAs<FriendRecord>(bytes);
    }

    QByteArray Owner() const { return FieldBytes(kOwner); }
    QByteArray FriendNumber() const { return FieldBytes(kFriendNumber); }
    QString FriendKey() const { return FieldText(kFriendKey); }
    bool SetFriendKey(const QString& key) { return SetFieldText(kFriendKey, key); }
};

}  // namespace tessan
