// The two requests of a recharge, sent with SendData on a plain connection to the account's
// server: the query whether and how the account can be recharged, and the recharge itself.
#pragma once

#include "core/records/record.h"

namespace tessan {

namespace command {
inline constexpr int kRechargeRequest = 36;
inline constexpr int kRechargeQuery = 40;
}  // namespace command

// Command 40: the account number alone. The answer is notification 41, whose first data byte
// is the verdict.
class RechargeQuery : public FixedRecord<32> {
  public:
    static constexpr FieldLayout kNumber{0, 32};
    static_assert(kNumber.offset + kNumber.width == kSize);

    // False when the number had to be cut to fit.
    bool SetNumber(QByteArrayView gbk) { return SetFieldBytes(kNumber, gbk); }
    QByteArray Number() const { return FieldBytes(kNumber); }
    QByteArray Payload() const;
};

// Command 36: the account, the card type ('1' to '3') and the card's number and password.
class RechargeRequest : public FixedRecord<97> {
  public:
    static constexpr FieldLayout kNumber{0, 32};
    static constexpr std::size_t kCardTypeOffset = 32;
    static constexpr FieldLayout kCardNumber{33, 32};
    static constexpr FieldLayout kCardPassword{65, 32};
    static_assert(kNumber.offset + kNumber.width == kCardTypeOffset);
    static_assert(kCardTypeOffset + 1 == kCardNumber.offset);
    static_assert(kCardNumber.offset + kCardNumber.width == kCardPassword.offset);
    static_assert(kCardPassword.offset + kCardPassword.width == kSize);

    // Each false when the text had to be cut to fit.
    bool SetNumber(QByteArrayView gbk) { return SetFieldBytes(kNumber, gbk); }
    bool SetCardNumber(QByteArrayView gbk) { return SetFieldBytes(kCardNumber, gbk); }
    bool SetCardPassword(QByteArrayView gbk) { return SetFieldBytes(kCardPassword, gbk); }
    void SetCardType(char type) { bytes_[kCardTypeOffset] = static_cast<std::uint8_t>(type); }

    QByteArray Number() const { return FieldBytes(kNumber); }
    QByteArray Payload() const;
};

}  // namespace tessan
