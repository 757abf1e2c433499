#include "core/base/privateprofile.h"

#include <gtest/gtest.h>

namespace tessan {
namespace {

const char kIni[] =
    "\xEF\xBB\xBF"
    "orphan=before any section\r\n"
    "; a comment\r\n"
    "[Default]\r\n"
    "  Server  =  10.0.0.1  \r\n"
    "port=9000\r\n"
    "server=second key is never seen\r\n"
    "[0086-10]\r\n"
    "server=\"quoted\"\r\n"
    "novalue\r\n"
    "empty=\r\n"
    "port=8801abc\r\n"
    "hex=0x1F\r\n"
    "neg=-5\r\n"
    "junk=abc\r\n"
    "[default]\r\n"
    "extra=only the first section of a name counts\r\n";

TEST(PrivateProfile, NamesAreCaseInsensitiveAndFirstMatchWins) {
    const PrivateProfile ini = PrivateProfile::Parse(kIni);
    EXPECT_EQ(ini.String("default", "SERVER", "x", 64), QByteArray("10.0.0.1"));
    EXPECT_EQ(ini.String("DEFAULT", "extra", "missing", 64), QByteArray("missing"));
    EXPECT_EQ(ini.String("", "orphan", "missing", 64), QByteArray("missing"));
    EXPECT_EQ(ini.String("nosuch", "server", "fallback", 64), QByteArray("fallback"));
}

TEST(PrivateProfile, ValuesAreTrimmedUnquotedAndCutToTheBuffer) {
    const PrivateProfile ini = PrivateProfile::Parse(kIni);
    EXPECT_EQ(ini.String("0086-10", "server", "", 64), QByteArray("quoted"));
    EXPECT_EQ(ini.String("default", "server", "", 5), QByteArray("10.0"));
    EXPECT_EQ(ini.String("nosuch", "server", "fallback", 5), QByteArray("fall"));
    // A key with '=' and nothing after it is present and empty; one without '=' is missing.
    EXPECT_EQ(ini.String("0086-10", "empty", "fallback", 64), QByteArray());
    EXPECT_EQ(ini.String("0086-10", "novalue", "fallback", 64), QByteArray("fallback"));
}

TEST(PrivateProfile, IntegersParseLikeTheClassicReader) {
    const PrivateProfile ini = PrivateProfile::Parse(kIni);
    EXPECT_EQ(ini.Int("default", "port", 1), 9000);
    EXPECT_EQ(ini.Int("0086-10", "port", 1), 8801);
    EXPECT_EQ(ini.Int("0086-10", "hex", 1), 31);
    EXPECT_EQ(ini.Int("0086-10", "neg", 1), -5);
    EXPECT_EQ(ini.Int("0086-10", "junk", 1), 0);
    EXPECT_EQ(ini.Int("0086-10", "empty", 7), 7);
    EXPECT_EQ(ini.Int("0086-10", "missing", 7), 7);
}

TEST(PrivateProfile, MissingFileReadsAsEmpty) {
    const PrivateProfile ini = PrivateProfile::Load(QStringLiteral("/nonexistent/serverlist.ini"));
    EXPECT_EQ(ini.String("default", "server", "d", 16), QByteArray("d"));
    EXPECT_EQ(ini.Int("default", "port", 8800), 8800);
}

}  // namespace
}  // namespace tessan
