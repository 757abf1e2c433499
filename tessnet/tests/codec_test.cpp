#include "codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "reference_codec.h"
#include "sample_data.h"

using namespace tessnet;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint16_t kCapacity = 61440;
constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 64;

struct CodecOutput {
    std::uint8_t result;
    Bytes bytes;    // the output, on success
    Bytes written;  // the outputLength bytes written, whatever the result
};

// Runs a codec call into a buffer of exactly `capacity` bytes followed by guard bytes, and fails
// the test if anything was written past the capacity.
CodecOutput Run(decltype(&Compress) fn, const Bytes& in, std::uint16_t capacity) {
    Bytes buffer(capacity + kGuardBytes, kGuard);
    std::uint16_t length = 0xFFFF;
    const std::uint8_t result =
        fn(in.data(), static_cast<std::uint16_t>(in.size()), buffer.data(), capacity, length);
    for (std::size_t i = capacity; i < buffer.size(); ++i)
        if (buffer[i] != kGuard) {
            ADD_FAILURE() << "wrote past capacity " << capacity << " at " << i;
            break;
        }
    EXPECT_LE(length, capacity);
    buffer.resize(std::min<std::size_t>(length, capacity));
    return {result, result == CODEC_OK ? buffer : Bytes{}, buffer};
}

CodecOutput RunCompress(const Bytes& in, std::uint16_t capacity = kCapacity) {
    return Run(&Compress, in, capacity);
}
CodecOutput RunDecompress(const Bytes& in, std::uint16_t capacity = kCapacity) {
    return Run(&Decompress, in, capacity);
}

// Compresses, checks the result and bytes against the literal implementation, and checks that a
// successful stream decompresses to the input again (with both decoders).
void ExpectRoundTrip(const Bytes& in, const std::string& what) {
    SCOPED_TRACE(what + " size " + std::to_string(in.size()));
    const CodecOutput c = RunCompress(in);
    Bytes want;
    const std::uint8_t wantResult = reference::Compress(in, kCapacity, want);
    ASSERT_EQ(c.result, wantResult);
    if (c.result != CODEC_OK) return;
    ASSERT_EQ(c.bytes, want);
    const CodecOutput d = RunDecompress(c.bytes);
    ASSERT_EQ(d.result, CODEC_OK);
    ASSERT_EQ(d.bytes, in);
    Bytes slow;
    ASSERT_EQ(reference::Decompress(c.bytes, slow), 0);
    ASSERT_EQ(slow, in);
}

Bytes Magic(std::initializer_list<std::uint8_t> tail = {}) {
    Bytes b = {'W', 'M', 'C', '1', '5'};
    for (std::uint8_t t : tail) b.push_back(t);
    return b;
}

// Packs codes MSB first at the given widths, the way the compressor does.
Bytes Stream(const std::vector<std::pair<unsigned, unsigned>>& codes) {
    Bytes out = Magic();
    std::uint64_t bits = 0;
    unsigned used = 0;
    for (auto [code, width] : codes) {
        bits = (bits << width) | code;
        used += width;
        while (used >= 8) {
            used -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> used));
        }
    }
    if (used) out.push_back(static_cast<std::uint8_t>(bits << (8 - used)));
    return out;
}

}  // namespace

TEST(Crc32, StandardValues) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32(check, 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    EXPECT_EQ(Crc32("a", 1), 0xE8B7BE43u);
    const Bytes zeros(32, 0);
    EXPECT_EQ(Crc32(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32, MatchesBitwiseDefinitionAtEveryLengthAndAlignment) {
    auto bitwise = [](const std::uint8_t* p, std::size_t n) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < n; ++i) {
            c ^= p[i];
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        return ~c;
    };
    const Bytes data = sample::RandomBytes(300);
    for (std::size_t offset = 0; offset < 8; ++offset)
        for (std::size_t n = 0; n + offset <= 200; n += 7)
            ASSERT_EQ(Crc32(data.data() + offset, n), n ? bitwise(data.data() + offset, n) : 0u)
                << offset << "+" << n;
    // Continuing a CRC over a split gives the CRC of the whole.
    EXPECT_EQ(Crc32Update(Crc32(data.data(), 123), data.data() + 123, 177),
              Crc32(data.data(), 300));
}

TEST(Codec, WorkedExampleBothWays) {
    const Bytes fiftyA(50, 0x61);
    const Bytes stream = {0x57, 0x4D, 0x43, 0x31, 0x35, 0x30, 0xC0, 0xE0, 0x90,
                          0x58, 0x34, 0x1E, 0x11, 0x09, 0x85, 0x41, 0xA0, 0x00};
    const CodecOutput c = RunCompress(fiftyA);
    ASSERT_EQ(c.result, CODEC_OK);
    EXPECT_EQ(c.bytes, stream);
    const CodecOutput d = RunDecompress(stream);
    ASSERT_EQ(d.result, CODEC_OK);
    EXPECT_EQ(d.bytes, fiftyA);
}

TEST(Codec, RoundTripsKindsAndSizes) {
    const std::vector<std::pair<std::string, std::function<Bytes(std::size_t, std::uint32_t)>>>
        kinds = {{"text", sample::EnglishText},
                 {"random", sample::RandomBytes},
                 {"runs", sample::Runs},
                 {"records", sample::Records}};
    std::vector<std::size_t> sizes = {0,    1,    49,    50,    51,    52,    63,   64,   100,
                                      255,  256,  257,   511,   512,   513,   1000, 4096, 7848,
                                      8160, 8192, 16384, 32768, 40000, 61407, 61408};
    std::mt19937 rng(7);
    for (int i = 0; i < 12; ++i) sizes.push_back(50 + rng() % 61359);
    for (const auto& [name, make] : kinds)
        for (std::size_t n : sizes) ExpectRoundTrip(make(n, static_cast<std::uint32_t>(n)), name);
}

TEST(Codec, SingleByteAndTwoSymbolInputs) {
    for (int v : {0x00, 0xFF, 0x61})
        ExpectRoundTrip(Bytes(61408, static_cast<std::uint8_t>(v)), "run");
    Bytes alternating(20000);
    for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = (i % 3) ? 'x' : 'y';
    ExpectRoundTrip(alternating, "alternating");
}

TEST(Codec, WidthGrowsToFifteenBits) {
    // Random letters still compress but define enough codes to need every width up to 15 bits.
    std::mt19937 rng(11);
    Bytes in(61408);
    for (auto& b : in) b = static_cast<std::uint8_t>('a' + rng() % 26);
    const CodecOutput c = RunCompress(in);
    ASSERT_EQ(c.result, CODEC_OK);
    const auto m = reference::ScanMarkers(c.bytes);
    EXPECT_EQ(m.maxWidth, 15u);
    EXPECT_EQ(m.grows, 6);
    EXPECT_EQ(m.resets, 0);
    ExpectRoundTrip(in, "text to 15 bits");
}

TEST(Codec, DictionaryResetIsReachableWithinOnePacket) {
    // About 40 000 random bytes define all 32 508 codes while the output still stays below the
    // input length; a compressible tail then lets the whole call succeed after the reset.
    Bytes in = sample::RandomBytes(42000, 5);
    in.resize(61408, 'z');
    const CodecOutput c = RunCompress(in);
    ASSERT_EQ(c.result, CODEC_OK);
    const auto m = reference::ScanMarkers(c.bytes);
    EXPECT_EQ(m.resets, 1);
    EXPECT_EQ(m.maxWidth, 15u);
    ExpectRoundTrip(in, "reset");

    // Random bytes alone reach the reset too, but the output then outgrows the input.
    ExpectRoundTrip(sample::RandomBytes(61408, 6), "random after reset");
}

TEST(Codec, CompressorRefusals) {
    EXPECT_EQ(RunCompress(Bytes(49, 'a')).result, CODEC_NO_GAIN);
    EXPECT_EQ(RunCompress(sample::RandomBytes(8160)).result, CODEC_NO_GAIN);
    // Small capacities stop the compressor without writing past them.
    const Bytes text = sample::EnglishText(8000);
    for (std::uint16_t cap : {0, 1, 4, 5, 6, 9, 10, 17, 100, 1000, 3000})
        EXPECT_EQ(RunCompress(text, cap).result, CODEC_OUTPUT_FULL) << cap;
    // A step needs 5 bytes of room to start, so the stream plus 4 bytes is enough; less room than
    // the stream itself never is.
    for (const Bytes& in : {Bytes(50, 0x61), sample::EnglishText(3000, 9)}) {
        const auto size = static_cast<std::uint16_t>(RunCompress(in).bytes.size());
        EXPECT_EQ(RunCompress(in, size + 4).result, CODEC_OK);
        EXPECT_EQ(RunCompress(in, size - 1).result, CODEC_OUTPUT_FULL);
    }
}

// Whatever the input and capacity, the compressor stops where the literal algorithm stops, with
// the same result, length and bytes; where the literal algorithm would finish past the capacity,
// it refuses instead. Inputs switch between compressible and incompressible stretches, which the
// compressor walks differently, and fill the dictionary far enough to double and reset it.
TEST(Codec, CompressorMatchesLiteralAlgorithmAtAnyCapacity) {
    std::mt19937 rng(2024);
    const Bytes text = sample::EnglishText(70000, 3);
    const Bytes noise = sample::RandomBytes(70000, 4);
    for (int round = 0; round < 240; ++round) {
        std::size_t n = 50 + rng() % (round % 3 ? 3000 : 61359);
        Bytes in;
        while (in.size() < n) {
            const std::size_t run = 1 + rng() % (round % 2 ? 6000 : n);
            const std::size_t from = rng() % 60000;
            switch (rng() % 4) {
                case 0:
                    in.insert(in.end(), text.begin() + from, text.begin() + from + run % 9000);
                    break;
                case 1:
                    in.insert(in.end(), noise.begin() + from, noise.begin() + from + run % 9000);
                    break;
                case 2:
                    in.insert(in.end(), run % 700, static_cast<std::uint8_t>(rng()));
                    break;
                default:
                    for (std::size_t k = 0; k < run % 3000; ++k)
                        in.push_back(static_cast<std::uint8_t>('a' + rng() % 4));
            }
        }
        in.resize(n);
        std::uint16_t capacity = kCapacity;
        if (round % 4 == 1) capacity = static_cast<std::uint16_t>(rng() % (n + 64));
        if (round % 4 == 2) capacity = static_cast<std::uint16_t>(n / 3 + rng() % (n / 2));
        Bytes want;
        if (round % 4 == 3 && reference::Compress(in, kCapacity, want) == CODEC_OK)
            capacity = static_cast<std::uint16_t>(want.size() - 1 + rng() % 6);  // just enough?
        SCOPED_TRACE("round " + std::to_string(round) + " size " + std::to_string(n) +
                     " capacity " + std::to_string(capacity));

        const std::uint8_t wantResult = reference::Compress(in, capacity, want);
        const CodecOutput c = RunCompress(in, capacity);
        if (wantResult == CODEC_OK && want.size() > capacity) {
            EXPECT_EQ(c.result, CODEC_OUTPUT_FULL);
            continue;
        }
        ASSERT_EQ(c.result, wantResult);
        ASSERT_EQ(c.written, want);
    }
}

TEST(Codec, DecompressorMalformedStreams) {
    EXPECT_EQ(RunDecompress({}).result, CODEC_BAD_MAGIC);
    EXPECT_EQ(RunDecompress({'W', 'M', 'C', '1'}).result, CODEC_BAD_MAGIC);
    EXPECT_EQ(RunDecompress({'W', 'M', 'C', '1', '6', 0}).result, CODEC_BAD_MAGIC);
    // The magic alone is an empty stream.
    const CodecOutput empty = RunDecompress(Magic());
    EXPECT_EQ(empty.result, CODEC_OK);
    EXPECT_TRUE(empty.bytes.empty());

    // A code cut off by the end of the body.
    EXPECT_EQ(RunDecompress(Magic({0x30})).result, CODEC_BAD_CODE);
    // A code beyond the one being defined.
    EXPECT_EQ(RunDecompress(Stream({{'a', 9}, {300, 9}, {256, 9}})).result, CODEC_BAD_CODE);
    // A marker where a byte must start a dictionary.
    EXPECT_EQ(RunDecompress(Stream({{257, 9}, {256, 9}})).result, CODEC_BAD_CODE);
    // Widths beyond 15 bits.
    std::vector<std::pair<unsigned, unsigned>> grows = {{'a', 9}};
    for (unsigned w = 9; w <= 15; ++w) grows.push_back({257, w});
    grows.push_back({'b', 16});
    EXPECT_EQ(RunDecompress(Stream(grows)).result, CODEC_BAD_CODE);

    // The code being defined right now expands to the previous string plus its first byte.
    const CodecOutput kwk = RunDecompress(Stream({{'a', 9}, {259, 9}, {256, 9}}));
    EXPECT_EQ(kwk.result, CODEC_OK);
    EXPECT_EQ(kwk.bytes, Bytes({'a', 'a', 'a'}));
    // A reset starts a new dictionary: code 259 means something new afterwards.
    const CodecOutput reset = RunDecompress(
        Stream({{'a', 9}, {'b', 9}, {258, 9}, {'c', 9}, {'d', 9}, {259, 9}, {256, 9}}));
    EXPECT_EQ(reset.result, CODEC_OK);
    EXPECT_EQ(reset.bytes, Bytes({'a', 'b', 'c', 'd', 'c', 'd'}));
}

TEST(Codec, TooLongExpansionFailsWithoutWritingPastCapacity) {
    // Output is checked before every code (more than capacity - 5 fails) and a string that would
    // not fit fails as a whole.
    const CodecOutput c = RunCompress(Bytes(5000, 'q'));
    ASSERT_EQ(c.result, CODEC_OK);
    for (std::uint16_t cap : {0, 1, 5, 6, 7, 50, 4000, 4999, 5003})
        EXPECT_EQ(RunDecompress(c.bytes, cap).result, CODEC_OUTPUT_FULL) << cap;
    EXPECT_EQ(RunDecompress(c.bytes, 5005).result, CODEC_OK);
}

TEST(Codec, GarbageNeverCrashesOrOverflows) {
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i) {
        Bytes in = Magic();
        const std::size_t n = rng() % 400;
        for (std::size_t k = 0; k < n; ++k) in.push_back(static_cast<std::uint8_t>(rng()));
        const auto cap = static_cast<std::uint16_t>(rng() % 2 ? rng() % 512 : kCapacity);
        const CodecOutput d = RunDecompress(in, cap);
        EXPECT_TRUE(d.result == CODEC_OK || d.result == CODEC_OUTPUT_FULL ||
                    d.result == CODEC_BAD_CODE)
            << int(d.result);
    }
}

TEST(Codec, CorruptedStreamsOfRealDataStayInBounds) {
    const Bytes text = sample::EnglishText(20000, 3);
    const CodecOutput c = RunCompress(text);
    ASSERT_EQ(c.result, CODEC_OK);
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
        Bytes bad = c.bytes;
        for (int k = 0; k < 3; ++k)
            bad[5 + rng() % (bad.size() - 5)] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        if (rng() % 2) bad.resize(5 + rng() % (bad.size() - 5));
        RunDecompress(bad, static_cast<std::uint16_t>(rng() % 2 ? 20000 : kCapacity));
    }
}
