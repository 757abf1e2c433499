// The LZW compressor: a dictionary laid out for the walk over the input, two walks (branch-free
// for compressible stretches, branching for incompressible ones) and the code writer.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "lzw.h"

namespace tessnet {
TESS_CODEC_BEGIN

using namespace lzw;

namespace {

// ---------------------------------------------------------------- compressor dictionary
//
// The dictionary maps (prefix code, byte) to a code. The walk over the input is the compressor's
// critical path (each byte's lookup needs the code the byte before found), so the table is laid out
// for that walk:
// - Buckets of two 32-bit entries, (kHome | prefix) << 16 | code, in bucket prefix ^ Scatter(byte).
//   Every code in the table is below the bucket count (the table doubles before a code reaches
//   it), so that needs no mask. The byte is not stored: Scatter's low eight bits are a permutation,
//   so the bucket and the prefix give the byte back. For an 8 KiB body the table is 32 KiB and
//   stays in the first-level cache.
// - An entry whose bucket is full goes to a later bucket without the kHome mark, so the walk never
//   takes it for the entry it looks for; it is found on the slow path, which checks keyOf.
// - On compressible input the walk takes a hit with conditional moves, not branches: a mispredicted
//   branch costs more than the lookup, and whether a byte ends a string is not predictable. Where
//   nearly every byte ends one (incompressible input) branches predict well, and a branching walk
//   is used for the next stretch.
// - The codes found are collected, and written per stretch of input.

// The walk's hot selections are written in x86-64 assembly where GCC or Clang build for it; the
// C++ fallback gives the same results (the tests build it too, with TESS_PORTABLE_CODEC).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(TESS_PORTABLE_CODEC)
#define TESS_CODEC_ASM 1
#else
#define TESS_CODEC_ASM 0
#endif

constexpr unsigned kMinBucketBits = 9;   // codes up to 511 before the first doubling
constexpr unsigned kMaxBucketBits = 15;  // codes up to 32767
constexpr std::uint32_t kHome = 0x8000;  // in an entry's upper half: it sits in its own bucket
// Input bytes walked between writes of the codes found, and between choices of walk: short enough
// that a body whose compressible head gives way to incompressible data soon walks it the right way.
constexpr std::size_t kStretch = 1024;

constexpr std::uint32_t ScatterLow(std::uint32_t byte) {
    return (byte * 167u + 89u) & 0xFFu;
}
constexpr std::uint32_t ByteOfScatterLow(std::uint32_t low) {
    return ((low - 89u) * 23u) & 0xFFu;
}
static_assert(ByteOfScatterLow(ScatterLow(200)) == 200);  // 23 is 167's inverse modulo 256

// Bucket offsets of the bytes: ScatterLow in the low eight bits, pseudo-random bits above.
constexpr std::array<std::uint32_t, 256> MakeScatter() {
    std::array<std::uint32_t, 256> s{};
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::uint32_t b = 0; b < 256; ++b) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        s[b] = (static_cast<std::uint32_t>(x >> 40) & 0x7F00u) | ScatterLow(b);
    }
    return s;
}
constexpr auto kScatter = MakeScatter();

// flag ? a : b, as a conditional move. Compilers turn selections on loaded values into branches,
// and in the walk these are not predictable.
template <typename T>
inline T SelectIfSet(std::uint32_t flag, T a, T b) {
#if TESS_CODEC_ASM
    asm("testl %[f], %[f]\n\tcmovne %[a], %[b]" : [b] "+r"(b) : [f] "r"(flag), [a] "r"(a) : "cc");
    return b;
#else
    return flag ? a : b;
#endif
}

// 1 when v is not 0, without a comparison a compiler would make a branch of.
inline std::uint32_t NotZero(std::uint32_t v) {
    return static_cast<std::uint32_t>((std::uint64_t{v} + 0xFFFFFFFFu) >> 32);
}

struct Bucket {
    std::uint32_t e[2];  // 0 = free
};
static_assert(sizeof(Bucket) == 8);

// The code of the entry in bucket b whose upper half is `want`, or c when there is none.
inline std::uint32_t Lookup(const Bucket* buckets, std::uint32_t b, std::uint32_t want,
                            std::uint32_t c) {
#if TESS_CODEC_ASM
    // Written out so that the loads address the bucket directly: this is the walk's critical
    // path, and compilers put an address computation in front of it.
    std::uint32_t next;
    std::uint32_t code0;
    std::uint32_t code1;
    asm("movl %[c], %[next]\n\t"
        "movzwl 4(%[base],%[b],8), %[code1]\n\t"
        "cmpw %w[want], 6(%[base],%[b],8)\n\t"
        "cmove %[code1], %[next]\n\t"
        "movzwl (%[base],%[b],8), %[code0]\n\t"
        "cmpw %w[want], 2(%[base],%[b],8)\n\t"
        "cmove %[code0], %[next]"
        : [next] "=&r"(next), [code0] "=&r"(code0), [code1] "=&r"(code1)
        : [c] "r"(c), [want] "r"(want), [base] "r"(buckets), [b] "r"(std::uint64_t{b})
        : "cc", "memory");
    return next;
#else
    const std::uint32_t* e = buckets[b].e;
    if (e[0] >> 16 == want) return e[0] & 0xFFFF;
    if (e[1] >> 16 == want) return e[1] & 0xFFFF;
    return c;
#endif
}

struct CompressorTable {
    Bucket bucket[1u << kMaxBucketBits];
    std::uint32_t scatter[256];          // kScatter below the bucket count
    std::uint32_t keyOf[kLastCode + 1];  // prefix << 8 | byte of displaced codes
    std::uint16_t found[kStretch];       // codes to write, in order
    std::uint32_t sink;                  // where the walk stores when it stores nothing
    unsigned bits = 0;

    unsigned Buckets() const { return 1u << bits; }

    void Size(unsigned newBits) {
        // Most calls keep the size of the call before, and with it the scatter table.
        if (newBits != bits)
            for (unsigned b = 0; b < 256; ++b) scatter[b] = kScatter[b] & ((1u << newBits) - 1);
        bits = newBits;
        std::memset(bucket, 0, std::size_t{Buckets()} * sizeof(Bucket));
    }

    // A fresh, empty dictionary sized for about as many codes as a text of n bytes defines.
    void Reset(std::size_t n) {
        unsigned b = kMinBucketBits;
        while (b < kMaxBucketBits && (std::size_t{1} << b) < kFirstCode + n / 4) ++b;
        Size(b);
    }

    // Enters a code whose key is not in the table yet.
    void Define(std::uint32_t prefix, unsigned byte, unsigned code) {
        const std::uint32_t b = prefix ^ scatter[byte];
        std::uint32_t* e = bucket[b].e;
        if (__builtin_expect(!e[1], 1)) {
            e[e[0] != 0] = (kHome | prefix) << 16 | code;
            return;
        }
        Displace(b, prefix << 16 | code);
    }

    // Puts an entry whose home bucket b is full into the next bucket with room.
    void Displace(std::uint32_t b, std::uint32_t displaced) {
        const std::uint32_t mask = Buckets() - 1;
        for (;;) {
            b = (b + 1) & mask;
            std::uint32_t* e = bucket[b].e;
            if (!e[1]) {
                e[e[0] != 0] = displaced;
                return;
            }
        }
    }

    // Looks for a key whose home bucket b is full; returns its code, or 0.
    unsigned FindDisplaced(std::uint32_t b, std::uint32_t prefix, unsigned byte) const {
        const std::uint32_t mask = Buckets() - 1;
        const std::uint32_t key = prefix << 8 | byte;
        for (;;) {
            b = (b + 1) & mask;
            const std::uint32_t* e = bucket[b].e;
            for (int k = 0; k < 2; ++k) {
                if (!e[k]) return 0;
                if (e[k] >> 16 == prefix && keyOf[e[k] & 0xFFFF] == key) return e[k] & 0xFFFF;
            }
        }
    }

    // Re-enters every code in a table of 2^newBits buckets, in the order they were defined. The
    // keys of codes in their home buckets are read back from where they sit.
    void Grow(unsigned newBits, unsigned nextCode) {
        for (std::uint32_t b = 0; b < Buckets(); ++b) {
            for (unsigned k = 0; k < 2; ++k) {
                const std::uint32_t e = bucket[b].e[k];
                const std::uint32_t prefix = (e >> 16) & ~kHome;
                const std::uint32_t key = prefix << 8 | ByteOfScatterLow((b ^ prefix) & 0xFF);
                // Free and displaced entries store into the sink.
                *SelectIfSet(e >> 31, &keyOf[e & 0xFFFF], &sink) = key;
            }
        }
        Size(newBits);
        for (unsigned c = kFirstCode; c < nextCode; ++c) Define(keyOf[c] >> 8, keyOf[c] & 0xFF, c);
    }
};

// One table per thread, kept for the thread's lifetime: calls on one thread never overlap. Left
// uninitialised: a call clears the buckets it uses and writes every key before reading it, so a
// thread that compresses only short bodies never touches most of the table's pages.
CompressorTable& ThreadTable() {
    thread_local std::unique_ptr<CompressorTable> table;
    if (!table) table = std::make_unique_for_overwrite<CompressorTable>();
    return *table;
}

// Where the walk over one input stands.
struct Walk {
    const std::uint8_t* input;
    std::size_t i;         // the next byte to look at
    std::uint32_t string;  // the string matched so far: a byte, or a code
    unsigned code;         // the next code to define
};

// Walks from w.i up to `end` or until the table must double or start again, collecting in
// t.found the codes to write. Returns how many.
template <bool kMostlyMisses>
std::size_t WalkStretch(CompressorTable& t, Walk& w, std::size_t end) {
    Bucket* const buckets = t.bucket;
    const std::uint32_t* const scatter = t.scatter;
    std::uint16_t* const found = t.found;
    const unsigned eventAt = t.Buckets();
    std::uint32_t string = w.string;
    unsigned code = w.code;
    std::size_t k = 0;
    std::size_t i = w.i;
    while (i < end) {
        const unsigned c = w.input[i];
        const std::uint32_t b = string ^ scatter[c];
        std::uint32_t* const e = buckets[b].e;
        const std::uint32_t want = kHome | string;
        std::uint32_t next = c;
        if constexpr (kMostlyMisses) {
            // Most bytes end a string here: the branches predict well, and predicting a miss
            // lets the next lookup start without waiting for this one.
            if (__builtin_expect(e[0] >> 16 == want, 0))
                next = e[0] & 0xFFFF;
            else if (__builtin_expect(e[1] >> 16 == want, 0))
                next = e[1] & 0xFFFF;
        } else {
            next = Lookup(buckets, b, want, c);
        }
        std::uint32_t miss = next < 256;
        if (__builtin_expect(miss & NotZero(e[1]), 0)) {
            // The home bucket is full: the string may have been put further on.
            if (const unsigned d = t.FindDisplaced(b, string, c)) {
                next = d;
                miss = 0;
            } else {
                t.keyOf[code] = string << 8 | c;
                t.Displace(b, string << 16 | code);
            }
        } else if constexpr (kMostlyMisses) {
            if (miss) e[e[0] != 0] = want << 16 | code;
        } else {
            // A new string goes to the bucket's free entry; a hit stores into the sink.
            std::uint32_t* const to = SelectIfSet(miss, e + (e[0] != 0), &t.sink);
            *to = want << 16 | code;
        }
        found[k] = static_cast<std::uint16_t>(string);  // kept on a miss only
        k += miss;
        code += miss;
        string = next;
        ++i;
        if (__builtin_expect(code >= eventAt, 0)) break;
    }
    w.i = i;
    w.string = string;
    w.code = code;
    return k;
}

struct BitWriter {
    std::uint8_t* out;
    std::size_t pos;
    std::size_t capacity;
    std::uint64_t pending = 0;  // bits not yet written, most significant first
    unsigned count = 0;         // number of pending bits, 1 to 8 between codes

    // Writes every complete byte except the one that holds the code's last bits: that byte stays
    // pending even when full. Away from the end of the buffer all eight bytes are stored at once
    // (the bytes past the complete ones are rewritten later), which saves a data-dependent loop.
    inline void Emit(unsigned code, unsigned width) {
        count += width;
        pending |= static_cast<std::uint64_t>(code) << (64 - count);
        const unsigned whole = (count - 1) >> 3;
        if (pos + 8 <= capacity) {
            std::uint64_t bytes = pending;
            if constexpr (std::endian::native == std::endian::little)
                bytes = __builtin_bswap64(bytes);
            std::memcpy(out + pos, &bytes, 8);
        } else {
            for (unsigned k = 0; k < whole; ++k)
                out[pos + k] = static_cast<std::uint8_t>(pending >> (56 - 8 * k));
        }
        pos += whole;
        pending <<= 8 * whole;
        count -= 8 * whole;
    }
    inline void Flush() {
        if (count) out[pos++] = static_cast<std::uint8_t>(pending >> 56);
        count = 0;
    }
};

}  // namespace

std::uint8_t Compress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                      std::uint16_t capacity, std::uint16_t& outputLength) {
    outputLength = 0;
    const std::size_t n = inputLength;
    const std::size_t cap = capacity;
    if (!input || n < kCodecMinInput) return CODEC_NO_GAIN;
    if (!output || cap < kMagicLength) return CODEC_OUTPUT_FULL;

    std::memcpy(output, kCodecMagic, kMagicLength);
    BitWriter w{output, kMagicLength, cap};

    CompressorTable& table = ThreadTable();
    table.Reset(n);
    unsigned nextCode = kFirstCode;  // as the writer counts; its markers follow this count
    unsigned width = kMinWidth;
    unsigned maxCode = (1u << kMinWidth) - 1;

    // A step may only start while the output is no longer than the input minus 5 bytes and has
    // 5 bytes of room left; a step writes at most four (the string, a marker, the pending byte).
    // The output only grows when a code is written, so that is where the limits are checked.
    const std::size_t limit = std::min(n - 5, cap - 5);
    auto stopped = [&] {
        outputLength = static_cast<std::uint16_t>(w.pos);
        return w.pos > n - 5 ? CODEC_NO_GAIN : CODEC_OUTPUT_FULL;
    };
    if (w.pos > limit) return stopped();

    Walk walk{input, 1, input[0], kFirstCode};
    bool mostlyMisses = false;
    while (walk.i < n) {
        const std::size_t from = walk.i;
        const std::size_t k = mostlyMisses
                                  ? WalkStretch<true>(table, walk, std::min(n, from + kStretch))
                                  : WalkStretch<false>(table, walk, std::min(n, from + kStretch));
        if (walk.code > kLastCode) {
            table.Reset(n);
            walk.code = kFirstCode;
        } else if (walk.code >= table.Buckets()) {
            table.Grow(table.bits + 1, walk.code);
        }
        // Where more than three bytes in four end a string, nearly every byte defines a code: make
        // room for the rest of the input now, while few codes must be re-entered, rather than
        // double the table again and again later.
        mostlyMisses = 4 * k > 3 * (walk.i - from);
        if (mostlyMisses) {
            unsigned bits = table.bits;
            while (bits < kMaxBucketBits && (std::size_t{1} << bits) < walk.code + (n - walk.i))
                ++bits;
            if (bits > table.bits) table.Grow(bits, walk.code);
        }
        // Write them. The last byte of the input, when it starts a string, allows one more code.
        const bool lastStartsString = walk.i == n && walk.string < 256;
        for (std::size_t j = 0; j < k; ++j) {
            ++nextCode;
            w.Emit(table.found[j], width);
            if (nextCode > kLastCode) {
                w.Emit(kCodeReset, width);
                nextCode = kFirstCode;
                width = kMinWidth;
                maxCode = (1u << kMinWidth) - 1;
            } else if (nextCode > maxCode) {
                w.Emit(kCodeGrow, width);
                ++width;
                maxCode = 2 * maxCode + 1;
            }
            if (w.pos > limit && !(lastStartsString && j + 1 == k)) return stopped();
        }
    }
    const unsigned string = walk.string;
    // The last string and the end code, with the bits still pending, must fit.
    if (w.pos + (w.count + 2 * width + 7) / 8 > cap) {
        outputLength = static_cast<std::uint16_t>(w.pos);
        return CODEC_OUTPUT_FULL;
    }
    w.Emit(string, width);
    w.Emit(kCodeEnd, width);
    w.Flush();
    outputLength = static_cast<std::uint16_t>(w.pos);
    return CODEC_OK;
}

TESS_CODEC_END
}  // namespace tessnet
