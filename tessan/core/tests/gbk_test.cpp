#include "core/base/gbk.h"

#include <gtest/gtest.h>

#include <array>

namespace tessan {
namespace {

TEST(Gbk, RoundTripsChineseAndKnownBytes) {
    const QString text = QStringLiteral("免费用户[5M]");
    const QByteArray gbk = QStringToGbk(text);
    // "免" is C3 E2 in GBK; ASCII stays one byte.
    EXPECT_EQ(gbk.left(2), QByteArray("\xC3\xE2"));
    EXPECT_EQ(gbk.size(), 4 * 2 + 4);
    EXPECT_EQ(GbkToQString(gbk), text);
    // A character outside GBK still round-trips through a four-byte GB18030 sequence.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(QStringToGbk(emoji).size(), 4);
    EXPECT_EQ(GbkToQString(QStringToGbk(emoji)), emoji);
}

TEST(Gbk, UndecodableBytesBecomeReplacementCharacters) {
    // A lone lead byte at the end and an invalid pair in the middle; the ASCII around survives.
    const QString text =
        GbkToQString(QByteArray("a\xFF\x20"
                                "b\xB6",
                                5));
    EXPECT_TRUE(text.startsWith(QLatin1Char('a')));
    EXPECT_TRUE(text.contains(QLatin1Char('b')));
    EXPECT_TRUE(text.contains(QChar(0xFFFD)));
}

TEST(Gbk, PrefixNeverSplitsACharacter) {
    const QByteArray two = QStringToGbk(QStringLiteral("a免费"));  // 1 + 2 + 2 bytes
    EXPECT_EQ(GbkPrefixLength(two, 5), 5);
    EXPECT_EQ(GbkPrefixLength(two, 4), 3);
    EXPECT_EQ(GbkPrefixLength(two, 2), 1);
    EXPECT_EQ(GbkPrefixLength(two, 0), 0);
    const QByteArray four = QByteArray("a") + QStringToGbk(QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(GbkPrefixLength(four, 4), 1);
    EXPECT_EQ(GbkPrefixLength(four, 5), 5);
}

TEST(FixedField, KeepsTerminatorAndZeroFillsAfterAShorterWrite) {
    std::array<std::uint8_t, 32> field;
    field.fill(0xAA);
    const QByteArray full(31, 'k');
    EXPECT_TRUE(WriteFixedField(field, full));
    EXPECT_EQ(field[30], 'k');
    EXPECT_EQ(field[31], 0);
    EXPECT_EQ(ReadFixedField(field), full);

    EXPECT_TRUE(WriteFixedText(field, QStringLiteral("ab")));
    for (std::size_t i = 2; i < field.size(); ++i) EXPECT_EQ(field[i], 0) << i;
    EXPECT_EQ(ReadFixedText(field), QStringLiteral("ab"));
}

TEST(FixedField, CutsOverlongTextAtACharacterBoundary) {
    std::array<std::uint8_t, 8> field{};
    // 1 + 3 * 2 = 7 bytes fit; the fourth character does not, and half of it is never written.
    EXPECT_FALSE(WriteFixedText(field, QStringLiteral("a免费用户")));
    EXPECT_EQ(ReadFixedText(field), QStringLiteral("a免费用"));
    EXPECT_EQ(field[7], 0);
    EXPECT_FALSE(WriteFixedField(field, QByteArray("abc\0def", 7)));
    EXPECT_EQ(ReadFixedField(field), QByteArray("abc"));
}

TEST(FixedField, ReadsAnUnterminatedFieldOnlyToItsEnd) {
    std::array<std::uint8_t, 12> bytes;
    bytes.fill('x');
    bytes[4] = 0;
    EXPECT_EQ(ReadFixedField(std::span(bytes).first(4)), QByteArray("xxxx"));
}

TEST(FixedText, BehavesLikeACharArray) {
    FixedText<32> number(QByteArrayView("0086-10-1234567"));
    EXPECT_STREQ(number.CStr(), "0086-10-1234567");
    EXPECT_FALSE(number.IsEmpty());
    number.Clear();
    EXPECT_TRUE(number.IsEmpty());
    for (const std::uint8_t b : number.Raw()) EXPECT_EQ(b, 0);
}

}  // namespace
}  // namespace tessan
