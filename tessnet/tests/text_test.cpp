// GBK and file-name helpers: the pieces that decide where a network name may be written.
#include <gtest/gtest.h>

#include "wire_text.h"

namespace tessnet {
namespace {

TEST(TextTest, GbkRoundTripAndRefusal) {
    const auto gbk = Utf8ToGbk("报告.txt");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(*gbk, "\xB1\xA8\xB8\xE6.txt");
    EXPECT_EQ(GbkToUtf8(*gbk), "报告.txt");
    // A lead byte without its trail byte is not a name.
    EXPECT_FALSE(GbkToUtf8("abc\xB1"));
    // Characters outside GBK still travel (GB18030 four-byte forms).
    const auto rare = Utf8ToGbk("😀");
    ASSERT_TRUE(rare);
    EXPECT_EQ(GbkToUtf8(*rare), "😀");
}

TEST(TextTest, LossyConversionReplacesOnlyWhatDoesNotConvert) {
    EXPECT_EQ(GbkToUtf8Lossy("\xB1\xA8x\xFFy"), "报x?y");
    EXPECT_EQ(GbkToUtf8Lossy("ab\xB1", "\xEF\xBF\xBD"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToGbkLossy("报\xC3x"), "\xB1\xA8?x");  // a cut UTF-8 sequence
    EXPECT_EQ(GbkToUtf8Lossy(""), "");
}

TEST(TextTest, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(GbkEqualNoCase("Report.TXT", "report.txt"));
    EXPECT_FALSE(GbkEqualNoCase("report.txt", "report.txt2"));
    // 0x95 0x41 and 0x95 0x61 are two different characters whose trail bytes look like A and a.
    EXPECT_FALSE(GbkEqualNoCase("\x95\x41.txt", "\x95\x61.txt"));
    EXPECT_TRUE(GbkEqualNoCase("\x95\x41.TXT", "\x95\x41.txt"));
}

TEST(TextTest, StoredNamesSplitAtTheirOwnAtSign) {
    const auto plain = StoredName::Split("0086-10-1@a@b.txt");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->sender, "0086-10-1");
    EXPECT_EQ(plain->name, "a@b.txt");
    EXPECT_EQ(plain->Joined(), "0086-10-1@a@b.txt");
    // 0x95 0x40 is one character whose trail byte looks like '@'.
    const auto trail = StoredName::Split("\x95\x40x@\x95\x40.txt");
    ASSERT_TRUE(trail);
    EXPECT_EQ(trail->sender, "\x95\x40x");
    EXPECT_EQ(trail->name, "\x95\x40.txt");
    EXPECT_FALSE(StoredName::Split("noat"));
    EXPECT_FALSE(StoredName::Split("\x95@"));
    EXPECT_EQ(StoredName::Split("@x")->sender, "");
}

TEST(TextTest, LocalNamesConvertAndStayInTheirFolder) {
    EXPECT_EQ(LocalFileName("\xB1\xA8\xB8\xE6.txt"), "报告.txt");
    EXPECT_EQ(LocalFileName("abc\xB1"), "abc_");  // not GBK: still a name of its own
    EXPECT_EQ(LocalFileName("a\xFF\x80.txt"), "a__.txt");
    for (const char* name : {"", "..", "a/b", "a\\b", "\xFF/x"})
        EXPECT_FALSE(LocalFileName(name)) << name;
}

TEST(TextTest, SafeNamesStayInTheirFolder) {
    for (const char* name : {"a.txt", "..hidden", "file..txt", "报告.txt"})
        EXPECT_TRUE(IsSafeFileName(name)) << name;
    for (const char* name : {"", ".", "..", "../x", "a/b", "/abs", "a\\b"})
        EXPECT_FALSE(IsSafeFileName(name)) << name;
    EXPECT_FALSE(IsSafeFileName(std::string_view("a\0b", 3)));
    EXPECT_EQ(BaseName("/home/u/报告.txt"), "报告.txt");
    EXPECT_EQ(BaseName("plain"), "plain");
}

TEST(TextTest, FieldsAreBoundedAndTerminated) {
    std::uint8_t field[8];
    PutField(field, sizeof field, "0123456789");
    EXPECT_EQ(FieldText(field, sizeof field), "0123456");
    const std::uint8_t full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(FieldText(full, sizeof full), "abcd");
    EXPECT_EQ(CText(nullptr, 32), "");
}

}  // namespace
}  // namespace tessnet
