#include "core/records/friendrecord.h"
#include "core/records/userprofile.h"
#include "core/records/usertype.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tessan {
namespace {

using Field = UserProfile::Field;

TEST(UserProfile, FieldsLandAtTheirOddOffsets) {
    UserProfile profile;
    profile.SetRawText(Field::Number, "0086-10-1234567");
    profile.SetText(Field::Company, QStringLiteral("单位A"));
    profile.SetText(Field::Occupation, QStringLiteral("B"));
    profile.SetText(Field::WebAddress, QStringLiteral("W"));
    profile.SetText(Field::PrivateKey, QStringLiteral("K"));
    profile.SetUserType('2');
    const auto& b = profile.Bytes();
    EXPECT_EQ(b[0], '0');
    EXPECT_EQ(b[129], '2');
    EXPECT_EQ(b[128], 0);
    EXPECT_EQ(b[130], 0);
    EXPECT_EQ(b[131], 0xB5);  // "单" = B5 A5
    EXPECT_EQ(b[131 + 4], 'A');
    EXPECT_EQ(b[259], 'B');
    EXPECT_EQ(b[771], 'W');
    EXPECT_EQ(b[995], 'K');
    EXPECT_EQ(profile.Text(Field::Company), QStringLiteral("单位A"));
    EXPECT_EQ(profile.Number(), QStringLiteral("0086-10-1234567"));
}

TEST(UserProfile, EmptyFormIsAllZeroButTypedFieldsAndUserType) {
    UserProfile profile;
    profile.SetUserType(kUserTypeFree);
    profile.SetText(Field::Name, QStringLiteral("n"));
    for (std::size_t i = 0; i < UserProfile::kSize; ++i) {
        const std::uint8_t expected = i == 96 ? 'n' : i == 129 ? '0' : 0;
        ASSERT_EQ(profile.Bytes()[i], expected) << i;
    }
}

TEST(UserProfile, EveryFieldKeepsItsTerminatorAtTheLimit) {
    for (int f = 0; f <= static_cast<int>(Field::PrivateKey); ++f) {
        const auto field = static_cast<Field>(f);
        const FieldLayout layout = UserProfile::Layout(field);
        UserProfile profile;
        EXPECT_TRUE(profile.SetRawText(
            field, QByteArray(static_cast<qsizetype>(UserProfile::MaxLength(field)), 'x')));
        EXPECT_FALSE(
            profile.SetRawText(field, QByteArray(static_cast<qsizetype>(layout.width), 'y')));
        EXPECT_EQ(profile.Bytes()[layout.offset + layout.width - 1], 0) << f;
        EXPECT_EQ(profile.RawText(field).size(), static_cast<qsizetype>(layout.width - 1)) << f;
        // Nothing spills into the next byte.
        if (layout.offset + layout.width < UserProfile::kSize) {
            EXPECT_EQ(profile.Bytes()[layout.offset + layout.width], 0) << f;
        }
    }
    UserProfile profile;
    profile.SetText(Field::PublicKey, QString(31, QLatin1Char('k')));
    EXPECT_EQ(profile.Bytes()[94], 'k');
    EXPECT_EQ(profile.Bytes()[95], 0);
}

TEST(UserProfile, ReceivedReservedBytesAndTailSurviveEditing) {
    std::array<std::uint8_t, UserProfile::kSize> wire;
    std::iota(wire.begin(), wire.end(), std::uint8_t{1});  // nothing zero-terminated anywhere
    wire[1088] = 0x34;
    wire[1089] = 0x12;
    std::optional<UserProfile> profile = UserProfile::FromBytes(wire);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->TailWord(), 0x1234);
    EXPECT_EQ(profile->TailByte(), wire[1090]);
    // An unterminated field reads only to its own end.
    EXPECT_EQ(profile->RawText(Field::Number).size(), 32);

    profile->SetText(Field::Name, QStringLiteral("新名"));
    std::array<std::uint8_t, UserProfile::kSize> expected = wire;
    const QByteArray name = QStringToGbk(QStringLiteral("新名"));
    std::fill_n(expected.begin() + 96, 32, 0);
    std::copy(name.begin(), name.end(), expected.begin() + 96);
    EXPECT_EQ(profile->Bytes(), expected);

    profile->SetTailWord(0xBEEF);
    EXPECT_EQ(profile->Bytes()[1088], 0xEF);
    EXPECT_EQ(profile->Bytes()[1089], 0xBE);

    EXPECT_FALSE(UserProfile::FromBytes(std::span(wire).first(1090)));
}

TEST(FriendRecord, LayoutAndDeleteForm) {
    const FriendRecord record("0086-10-1", "0086-20-2", "pub");
    EXPECT_EQ(record.Bytes()[0], '0');
    EXPECT_EQ(record.Bytes()[32 + 8], '2');
    EXPECT_EQ(record.Bytes()[64], 'p');
    EXPECT_EQ(record.Owner(), QByteArray("0086-10-1"));
    EXPECT_EQ(record.FriendNumber(), QByteArray("0086-20-2"));
    EXPECT_EQ(record.FriendKey(), QStringLiteral("pub"));

    const FriendRecord onlyFriend({}, "0086-20-2", {});
    for (std::size_t i = 0; i < FriendRecord::kSize; ++i)
        if (i < 32 || i >= 41) {
            ASSERT_EQ(onlyFriend.Bytes()[i], 0) << i;
        }
}

TEST(UserType, AnUnknownTypeCountsAsFree) {
    EXPECT_EQ(UserTypeLabel('4'), UserTypeLabel('0'));
    EXPECT_EQ(UserTypeLabel('\0'), UserTypeLabel('0'));
    EXPECT_EQ(QuotaForUserType('x'), QuotaForUserType('0'));
}

}  // namespace
}  // namespace tessan
