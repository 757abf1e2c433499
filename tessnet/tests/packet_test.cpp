#include "packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec.h"
#include "sample_data.h"

using namespace tessnet;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Built {
    bool ok;
    std::uint16_t length;
    Bytes bytes;
};

Built Build(const Bytes& payload, std::uint8_t command = CMD_LIST, std::uint16_t capacity = 8192,
            std::uint32_t fixedOne = 1, std::uint32_t count = 1, std::uint32_t number = 1) {
    Bytes out(capacity + 16, 0xEE);
    std::uint16_t length = 0;
    const bool ok = BuildPacket(payload.empty() ? nullptr : payload.data(),
                                static_cast<std::uint16_t>(payload.size()), command, fixedOne,
                                count, number, out.data(), capacity, length);
    for (std::size_t i = capacity; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "overrun";
    out.resize(ok ? length : 0);
    return {ok, length, out};
}

struct Parsed {
    bool ok;
    Bytes payload;
};

Parsed Parse(const Bytes& packet, std::uint16_t capacity = 61440) {
    Bytes out(capacity + 16, 0xEE);
    std::uint16_t length = 0;
    const bool ok =
        ParsePacket(packet.data(), packet.data() + kHeaderSize, out.data(), capacity, length);
    for (std::size_t i = capacity; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "overrun";
    out.resize(ok ? length : 0);
    return {ok, out};
}

Bytes Body(const Bytes& packet) {
    return Bytes(packet.begin() + kHeaderSize, packet.end());
}

}  // namespace

TEST(Packet, HeaderLayout) {
    const Bytes payload = {'l', 'i', 's', 't', ' ', 'f', 'i', 'l', 'e'};
    const Built p = Build(payload, CMD_LIST, 8192, 1, 7, 9);
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.bytes.size(), 32u + 9u);
    const Bytes header(p.bytes.begin(), p.bytes.begin() + 32);
    const Bytes want = {':', ':', ':', 4, 0, 0, 0, 0,  // sync, command, reserved
                        1,   0,   0,   0,              // fixedOne
                        7,   0,   0,   0,              // pieceCount
                        9,   0,   0,   0,              // pieceNumber
                        0,   0,   0,   0,              // checksum, checked below
                        9,   0,                        // bodyLength
                        0,   0,   0,   0, 0, 0};
    Bytes got = header;
    std::memset(got.data() + 20, 0, 4);
    EXPECT_EQ(got, want);
    EXPECT_EQ(GetU32(header.data() + 20), Crc32(payload.data(), payload.size()));
    EXPECT_EQ(Body(p.bytes), payload);

    PacketHeader h;
    ASSERT_TRUE(DecodeHeader(p.bytes.data(), h));
    EXPECT_EQ(h.command, CMD_LIST);
    EXPECT_EQ(h.pieceCount, 7u);
    EXPECT_EQ(h.pieceNumber, 9u);
    EXPECT_EQ(h.bodyLength, 9u);
    Bytes bad = p.bytes;
    bad[2] = ';';
    EXPECT_FALSE(DecodeHeader(bad.data(), h));
}

TEST(Packet, CompressionThreshold) {
    // 49 bytes are sent raw; from 50 bytes a compressible payload goes through the codec.
    const Built raw = Build(Bytes(49, 'a'));
    ASSERT_TRUE(raw.ok);
    EXPECT_EQ(Body(raw.bytes), Bytes(49, 'a'));
    const Built packed = Build(Bytes(50, 'a'));
    ASSERT_TRUE(packed.ok);
    EXPECT_EQ(packed.length, 32 + 18);
    EXPECT_EQ(std::memcmp(packed.bytes.data() + 32, "WMC15", 5), 0);
    for (const Built* p : {&raw, &packed}) {
        const Parsed back = Parse(p->bytes);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.payload, Bytes(p == &raw ? 49 : 50, 'a'));
    }
}

TEST(Packet, IncompressiblePayloadTravelsRaw) {
    const Bytes random = sample::RandomBytes(7848 + 40);
    const Built p = Build(random, CMD_CHUNK, 61440, 1, 3, 2);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(Body(p.bytes), random);
    const Parsed back = Parse(p.bytes);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.payload, random);
}

TEST(Packet, LargestPayloads) {
    // 61408 bytes fit the work area raw (packet 61440); one more byte is refused.
    const Bytes random = sample::RandomBytes(61408);
    const Built p = Build(random, CMD_CHUNK, 61440);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.length, 61440);
    EXPECT_FALSE(Build(sample::RandomBytes(61409), CMD_CHUNK, 61440).ok);
    // Compressible text of that size shrinks and comes back whole.
    const Bytes text = sample::EnglishText(61408);
    const Built t = Build(text, CMD_CHUNK, 61440);
    ASSERT_TRUE(t.ok);
    EXPECT_LT(t.length, 32000);
    EXPECT_EQ(Parse(t.bytes).payload, text);
}

TEST(Packet, BuildRefusals) {
    EXPECT_FALSE(Build({}).ok);
    // A request that does not fit 8192 bytes even compressed fails, but still reports its length.
    const Built big = Build(sample::RandomBytes(9000));
    EXPECT_FALSE(big.ok);
    EXPECT_EQ(big.length, 9000 + 32);
    const Built small = Build(Bytes(40, 'x'), CMD_LIST, 71);
    EXPECT_FALSE(small.ok);
    EXPECT_EQ(small.length, 72);
    EXPECT_TRUE(Build(Bytes(40, 'x'), CMD_LIST, 72).ok);
}

TEST(Packet, ParseChecksAndFallbacks) {
    // Empty body: checksum 0, empty payload.
    Bytes empty(32, 0);
    PacketHeader h;
    h.command = CMD_LIST_SUMMARY;
    EncodeHeader(h, empty.data());
    Parsed e = Parse(empty);
    EXPECT_TRUE(e.ok);
    EXPECT_TRUE(e.payload.empty());

    // A checksum mismatch drops the packet.
    Built p = Build(sample::EnglishText(3000));
    ASSERT_TRUE(p.ok);
    p.bytes[40] ^= 1;
    EXPECT_FALSE(Parse(p.bytes).ok);

    // A compressed body that expands beyond capacity - 5 is delivered raw.
    const Built zeros = Build(Bytes(1000, 0));
    ASSERT_TRUE(zeros.ok);
    const Parsed cut = Parse(zeros.bytes, 500);
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.payload, Body(zeros.bytes));
    // ... unless the raw body does not fit either.
    EXPECT_FALSE(Parse(zeros.bytes, static_cast<std::uint16_t>(zeros.bytes.size() - 33)).ok);

    // A body with the magic that is not a valid stream arrives as raw bytes.
    Bytes fake = {'W', 'M', 'C', '1', '5', 0xFF, 0xFF, 0xFF};
    Bytes packet(32);
    h.bodyLength = static_cast<std::uint16_t>(fake.size());
    h.checksum = Crc32(fake.data(), fake.size());
    EncodeHeader(h, packet.data());
    packet.insert(packet.end(), fake.begin(), fake.end());
    const Parsed r = Parse(packet);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.payload, fake);
}

TEST(Packet, FileChunkPieceFields) {
    // The first chunk carries pieceNumber 2 in the header; the body is untouched by it.
    const Bytes chunk = sample::Records(7848 + 304);
    const Built p = Build(chunk, CMD_CHUNK, 61440, 1, 5, 2);
    ASSERT_TRUE(p.ok);
    PacketHeader h;
    ASSERT_TRUE(DecodeHeader(p.bytes.data(), h));
    EXPECT_EQ(h.fixedOne, 1u);
    EXPECT_EQ(h.pieceCount, 5u);
    EXPECT_EQ(h.pieceNumber, 2u);
    EXPECT_EQ(Parse(p.bytes).payload, chunk);
}

// The one cutting rule, as the library's reader and the server apply it.
TEST(Packet, CuttingRuleAtTheFrontOfAStream) {
    const auto packet = [] {
        std::vector<std::uint8_t> out(kRequestCapacity);
        std::uint16_t n = 0;
        const std::uint8_t payload[] = {'h', 'i'};
        EXPECT_TRUE(BuildPacket(payload, 2, CMD_LIST, 1, 1, 1, out.data(), 8192, n));
        out.resize(n);
        return out;
    }();
    Cut cut = CutFront(packet.data(), packet.size());
    EXPECT_EQ(cut.kind, Cut::Packet);
    EXPECT_EQ(cut.length, packet.size());
    EXPECT_EQ(cut.header.command, CMD_LIST);
    // One byte short, or under a header's length: wait.
    EXPECT_EQ(CutFront(packet.data(), packet.size() - 1).kind, Cut::Wait);
    EXPECT_EQ(CutFront(packet.data(), 31).kind, Cut::Wait);
    // Garbage before the sync colons goes one, two or three bytes at a time.
    for (std::size_t bad = 0; bad < 3; ++bad) {
        auto front = packet;
        front[bad] = 'x';
        cut = CutFront(front.data(), front.size());
        EXPECT_EQ(cut.kind, Cut::Skip);
        EXPECT_EQ(cut.length, bad + 1);
    }
    // A header announcing more than 8192 bytes is dropped whole, before its body could arrive.
    auto oversized = packet;
    PutU16(oversized.data() + kOffBodyLength, 9000);
    cut = CutFront(oversized.data(), 32);
    EXPECT_EQ(cut.kind, Cut::Skip);
    EXPECT_EQ(cut.length, kHeaderSize);
}
