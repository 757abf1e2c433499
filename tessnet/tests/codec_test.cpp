#include "codec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessnet;

TEST(Smoke, FiftyA) {
    std::vector<std::uint8_t> in(50, 0x61), out(100);
    std::uint16_t n;
    ASSERT_EQ(Compress(in.data(), 50, out.data(), 100, n), CODEC_OK);
    out.resize(n);
    const std::vector<std::uint8_t> want = {0x57, 0x4D, 0x43, 0x31, 0x35, 0x30, 0xC0, 0xE0, 0x90,
                                            0x58, 0x34, 0x1E, 0x11, 0x09, 0x85, 0x41, 0xA0, 0x00};
    EXPECT_EQ(out, want);
    std::vector<std::uint8_t> back(100);
    ASSERT_EQ(Decompress(want.data(), 18, back.data(), 100, n), CODEC_OK);
    back.resize(n);
    EXPECT_EQ(back, in);
}
