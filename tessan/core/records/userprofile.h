// UserProfile: the 1091-byte, byte-packed profile of one account, as it travels to and from the
// servers. Several fields start at odd offsets; reserved bytes, tailWord and tailByte of a
// received record are sent back unchanged.
#pragma once

#include "core/records/record.h"

namespace tessan {

class UserProfile : public FixedRecord<1091> {
  public:
    enum class Field {
        Number,      // account number, "0086-10-1234567"
        Videophone,  // "网电"
        PublicKey,   // others need it to add this account and send it files
        Name,
        Company,     // "单位"
        Occupation,  // "从事行业"
        Country,
        Province,
        PostalAddress,
        PostCode,
        Mobile,
        Fax,
        Phone,
        WebAddress,
        PrivateKey,  // the login password
    };

    static constexpr FieldLayout Layout(Field field) {
        switch (field) {
            case Field::Number:
                return {0, 32};
            case Field::Videophone:
                return {32, 32};
            case Field::PublicKey:
                return {64, 32};
            case Field::Name:
                return {96, 32};
            case Field::Company:
                return {131, 128};
            case Field::Occupation:
                return {259, 128};
            case Field::Country:
                return {387, 64};
            case Field::Province:
                return {451, 64};
            case Field::PostalAddress:
                return {515, 128};
            case Field::PostCode:
                return {643, 32};
            case Field::Mobile:
                return {675, 32};
            case Field::Fax:
                return {707, 32};
            case Field::Phone:
                return {739, 32};
            case Field::WebAddress:
                return {771, 128};
            case Field::PrivateKey:
                return {995, 32};
        }
        return {0, 0};
    }
    // The most GBK bytes a field holds: its width minus the terminator.
    static constexpr std::size_t MaxLength(Field field) { return Layout(field).width - 1; }

    static constexpr std::size_t kUserTypeOffset = 129;  // reserved bytes at 128 and 130
    static constexpr std::size_t kTailWordOffset = 1088;
    static constexpr std::size_t kTailByteOffset = 1090;

    UserProfile() = default;  // all zero
    static std::optional<UserProfile> FromBytes(std::span<const std::uint8_t> bytes) {
        return FromBytesAs<UserProfile>(bytes);
    }

    QString Text(Field field) const { return FieldText(Layout(field)); }
    QByteArray RawText(Field field) const { return FieldBytes(Layout(field)); }
    // Both zero the field first and keep whole characters only; false when the text was cut.
    bool SetText(Field field, const QString& text) { return SetFieldText(Layout(field), text); }
    bool SetRawText(Field field, QByteArrayView gbk) { return SetFieldBytes(Layout(field), gbk); }

    QString Number() const { return Text(Field::Number); }
    QString PublicKey() const { return Text(Field::PublicKey); }
    QString Name() const { return Text(Field::Name); }

    char UserType() const { return static_cast<char>(bytes_[kUserTypeOffset]); }
    void SetUserType(char type) { bytes_[kUserTypeOffset] = static_cast<std::uint8_t>(type); }
    std::uint16_t TailWord() const;
    void SetTailWord(std::uint16_t value);
    std::uint8_t TailByte() const { return bytes_[kTailByteOffset]; }
};

// The packed layout: reserved bytes at 128, 130, 899..994 and 1027..1087 close the gaps.
static_assert(UserProfile::kSize == 1091);
static_assert(UserProfile::Layout(UserProfile::Field::Name).offset + 32 + 3 ==
              UserProfile::Layout(UserProfile::Field::Company).offset);
static_assert(UserProfile::Layout(UserProfile::Field::WebAddress).offset + 128 + 96 ==
              UserProfile::Layout(UserProfile::Field::PrivateKey).offset);
static_assert(UserProfile::Layout(UserProfile::Field::PrivateKey).offset + 32 + 61 ==
              UserProfile::kTailWordOffset);
static_assert(UserProfile::kTailByteOffset + 1 == UserProfile::kSize);

}  // namespace tessan
