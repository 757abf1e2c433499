#include "core/login/serverlist.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

TEST(SplitAccountNumber, SplitsAtTheFirstTwoDashes) {
    AccountNumberParts parts;
    ASSERT_EQ(SplitAccountNumber("0086-10-1234567", parts), 1);
    EXPECT_EQ(parts.prefix, QByteArray("0086-10"));
    EXPECT_EQ(parts.country, QByteArray("0086"));
    EXPECT_EQ(parts.area, QByteArray("10"));
    EXPECT_EQ(parts.personal, QByteArray("1234567"));

    ASSERT_EQ(SplitAccountNumber("0086-10-12-34", parts), 1);
    EXPECT_EQ(parts.prefix, QByteArray("0086-10"));
    EXPECT_EQ(parts.personal, QByteArray("12-34"));

    ASSERT_EQ(SplitAccountNumber("0086--1234567", parts), 1);
    EXPECT_EQ(parts.country, QByteArray("0086"));
    EXPECT_EQ(parts.area, QByteArray());
    EXPECT_EQ(parts.prefix, QByteArray("0086-"));
}

TEST(SplitAccountNumber, RefusesTextsWithoutTwoDashes) {
    AccountNumberParts parts;
    parts.prefix = "untouched";
    EXPECT_EQ(SplitAccountNumber(nullptr, parts), 0);
    EXPECT_EQ(SplitAccountNumber("", parts), -1);
    EXPECT_EQ(SplitAccountNumber("0086", parts), -1);
    EXPECT_EQ(SplitAccountNumber("0086-10", parts), -1);
    EXPECT_EQ(parts.prefix, QByteArray("untouched"));
}

TEST(SplitAccountNumber, CutsPiecesToTheirBuffers) {
    const QByteArray longArea(40, '9');
    AccountNumberParts parts;
    ASSERT_EQ(SplitAccountNumber(QByteArray("0086-" + longArea + "-1").constData(), parts), 1);
    EXPECT_EQ(parts.area.size(), kAccountPieceSize - 1);
    EXPECT_EQ(parts.prefix.size(), kAccountPieceSize - 1);
}

class ResolveServerTest : public ::testing::Test {
  protected:
    void WriteList(const QByteArray& contents) {
        QFile file(dir_.filePath(QStringLiteral("serverlist.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    void ExpectServer(const char* number, const char* address, int port) {
        ASSERT_EQ(Resolve(number), 1) << number;
        EXPECT_EQ(address_, QByteArray(address)) << number;
        EXPECT_EQ(port_, port) << number;
    }
    int Resolve(const char* number) {
        address_ = "preset";
        port_ = -7;
        return ResolveServer(dir_.path(), number, address_, port_);
    }

    QTemporaryDir dir_;
    QByteArray address_;
    int port_ = 0;
};

TEST_F(ResolveServerTest, MissingListGivesTheBuiltInDefault) {
    ExpectServer("0086-10-1234567", kDefaultServerAddress, 8800);
}

TEST_F(ResolveServerTest, PrefixSectionWinsAndKeepsDashesOfThePersonalNumber) {
    WriteList("[default]\nserver=10.0.0.1\nport=9000\n[0086-10]\nserver=10.1.1.1\nport=8801\n");
    ExpectServer("0086-10-1234567", "10.1.1.1", 8801);
    ExpectServer("0086-10-12-34", "10.1.1.1", 8801);
    ExpectServer("0086-20-1234567", "10.0.0.1", 9000);
}

TEST_F(ResolveServerTest, PrefixWithoutServerTakesAddressAndPortFromDefault) {
    WriteList("[0086-10]\nserver=\nport=1234\n[default]\nport=9000\n");
    ExpectServer("0086-10-1234567", kDefaultServerAddress, 9000);
}

TEST_F(ResolveServerTest, PrefixWithServerButNoPortGets8800) {
    WriteList("[default]\nserver=10.0.0.1\nport=9000\n[0086-10]\nserver=10.1.1.1\n");
    ExpectServer("0086-10-1234567", "10.1.1.1", 8800);
}

TEST_F(ResolveServerTest, HostNamesAndIPv6AddressesAreTakenWholeAndEmptyAreaNamesATrailingDash) {
    WriteList("[0086-]\nserver=files.beijing.example.com\n[0086-20]\nserver=2001:db8::1:2:3\n");
    ExpectServer("0086--1234567", "files.beijing.example.com", 8800);
    ExpectServer("0086-20-1234567", "2001:db8::1:2:3", 8800);
}

TEST_F(ResolveServerTest, BadNumbersLeaveTheOutputsAlone) {
    EXPECT_EQ(Resolve("0086-10"), -1);
    EXPECT_EQ(Resolve("0086"), -1);
    EXPECT_EQ(Resolve(""), -1);
    EXPECT_EQ(Resolve(nullptr), 0);
    EXPECT_EQ(address_, QByteArray("preset"));
    EXPECT_EQ(port_, -7);
}

}  // namespace
}  // namespace tessan
