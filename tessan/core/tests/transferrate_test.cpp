#include "core/transfers/transferrate.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessan {
namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

TEST(TransferRate, MeasuredOverASecondOfOneRunOfAFileWithASize) {
    TransferRate rate;
    rate.Notice(5000, 0, 100 * kMiB);
    // Quick notices of a fast start: each too close to the first to be measured on its own.
    rate.Notice(5300, 1, 100 * kMiB);
    rate.Notice(5600, 2, 100 * kMiB);
    EXPECT_FALSE(rate.Known());
    EXPECT_TRUE(rate.Text().isEmpty());
    rate.Notice(6000, 3, 100 * kMiB);  // 3 MiB in the first second
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 3.0 * kMiB);
    EXPECT_EQ(rate.Text(), QStringLiteral("3.0 MB/s，剩余 33秒"));  // 32.3 s, rounded up

    // The file is sent again from the start: nothing is known, and the next figure is measured
    // afresh rather than smoothed with the old one.
    rate.Notice(7000, 0, 100 * kMiB);
    EXPECT_FALSE(rate.Known());
    rate.Notice(9000, 4, 100 * kMiB);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 2.0 * kMiB);

    TransferRate sizeless;
    sizeless.Notice(0, 10, 0);
    sizeless.Notice(5000, 50, 0);
    EXPECT_TRUE(sizeless.Text().isEmpty());
}

TEST(TransferRate, ASlowSpanMovesTheFigureByItsLengthWithoutJumping) {
    TransferRate rate;
    rate.Notice(0, 10, 100 * kMiB);
    rate.Notice(1000, 14, 100 * kMiB);  // 4 MiB/s
    rate.Notice(3000, 15, 100 * kMiB);  // the next percent took two seconds: 0.5 MiB/s
    const double weight = 1.0 - std::exp(-2000.0 / TransferRate::kSmoothingMs);
    EXPECT_NEAR(rate.BytesPerSecond(), (4.0 + (0.5 - 4.0) * weight) * kMiB, 1.0);
    EXPECT_GT(rate.BytesPerSecond(), 0.5 * kMiB);
    EXPECT_LT(rate.BytesPerSecond(), 4.0 * kMiB);

    // Steady notices bring it to the steady rate.
    for (std::int64_t t = 5000, p = 16; p < 60; t += 2000, ++p) rate.Notice(t, p, 100 * kMiB);
    EXPECT_NEAR(rate.BytesPerSecond(), 0.5 * kMiB, 0.01 * kMiB);
}

TEST(TransferRate, Texts) {
    EXPECT_EQ(RateText(0), QStringLiteral("0 B/s"));
    EXPECT_EQ(RateText(1023), QStringLiteral("1023 B/s"));
    EXPECT_EQ(RateText(1536), QStringLiteral("1.5 KB/s"));
    EXPECT_EQ(RateText(100 * 1024), QStringLiteral("100 KB/s"));
    EXPECT_EQ(RateText(1024 * 1024 - 1), QStringLiteral("1.0 MB/s"));
    EXPECT_EQ(DurationText(45), QStringLiteral("45秒"));
    EXPECT_EQ(DurationText(125), QStringLiteral("2分05秒"));
    EXPECT_EQ(DurationText(3900), QStringLiteral("1小时05分"));
}

}  // namespace
}  // namespace tessan
