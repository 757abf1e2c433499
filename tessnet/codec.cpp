#include "codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace tessnet {

namespace {

// ---------------------------------------------------------------- CRC-32 (slicing by 8)

constexpr std::uint32_t kCrcPolynomial = 0xEDB88320u;

constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeCrcTables() {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t s = 1; s < 8; ++s)
        for (std::size_t i = 0; i < 256; ++i)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr auto kCrcTables = MakeCrcTables();

// ---------------------------------------------------------------- codec constants

constexpr unsigned kCodeEnd = 256;
constexpr unsigned kCodeGrow = 257;
constexpr unsigned kCodeReset = 258;
constexpr unsigned kFirstCode = 259;
constexpr unsigned kLastCode = 32767;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 15;
constexpr std::size_t kMagicLength = sizeof(kCodecMagic);

// ---------------------------------------------------------------- compressor dictionary
//
// The dictionary maps (prefix code, byte) to a code. Only that mapping is observable, so it is an
// open-addressed table of codes sized to the input, small enough to stay in the first-level
// cache, and doubled as codes are defined. A slot holds just the code (0 = free, codes start at
// 259); the code's (prefix, byte) key lives in a table indexed by code, which is also what a
// doubled table is rebuilt from.

constexpr unsigned kMinTableBits = 9;
constexpr unsigned kStartTableBits = 13;
constexpr unsigned kMaxTableBits = 16;  // 32508 codes at a load factor below 1/2

struct CompressorTable {
    std::uint16_t slot[1u << kMaxTableBits];
    std::uint32_t keyOf[kLastCode + 1];  // (prefix << 8 | byte) of each defined code
    unsigned bits = 0;
    unsigned shift = 0;
    std::uint32_t mask = 0;
    unsigned growAt = 0;  // nextCode at which the table doubles

    void Size(unsigned newBits) {
        bits = newBits;
        shift = 32 - bits;
        mask = (1u << bits) - 1;
        growAt = bits < kMaxTableBits ? kFirstCode + (1u << (bits - 1)) : ~0u;
        std::memset(slot, 0, (std::size_t{1} << bits) * sizeof(slot[0]));
    }

    // A fresh, empty dictionary sized for an input of n bytes.
    void Reset(std::size_t n) {
        unsigned b = kMinTableBits;
        while (b < kStartTableBits && (std::size_t{1} << b) < 2 * n) ++b;
        Size(b);
    }

    inline std::uint32_t Home(std::uint32_t key) const { return (key * 2654435761u) >> shift; }

    // Doubles the table and re-enters every code defined so far.
    void Grow(unsigned nextCode) {
        Size(bits + 1);
        for (unsigned c = kFirstCode; c < nextCode; ++c) {
            std::uint32_t h = Home(keyOf[c]);
            while (slot[h]) h = (h + 1) & mask;
            slot[h] = static_cast<std::uint16_t>(c);
        }
    }
};

// One table per thread, kept for the thread's lifetime: calls on one thread never overlap. Left
// uninitialised: a call clears the slots it uses and writes every key before reading it, so a
// thread that compresses only short bodies never touches most of the table's pages.
CompressorTable& ThreadTable() {
    thread_local std::unique_ptr<CompressorTable> table;
    if (!table) table = std::make_unique_for_overwrite<CompressorTable>();
    return *table;
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

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t c = ~crc;
    const auto& t = kCrcTables;
    while (length >= 8) {
        std::uint32_t lo;
        std::uint32_t hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        if constexpr (std::endian::native == std::endian::big) {
            lo = __builtin_bswap32(lo);
            hi = __builtin_bswap32(hi);
        }
        lo ^= c;
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        length -= 8;
    }
    while (length--) c = (c >> 8) ^ t[0][(c ^ *p++) & 0xFF];
    return ~c;
}

std::uint32_t Crc32(const void* data, std::size_t length) {
    return length ? Crc32Update(0, data, length) : 0;
}

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
    // The hot loop keeps the table's fields in locals: byte stores to the output could alias them.
    std::uint16_t* const slot = table.slot;
    std::uint32_t* const keyOf = table.keyOf;
    std::uint32_t mask;
    unsigned shift;
    auto load = [&] {
        mask = table.mask;
        shift = table.shift;
    };
    table.Reset(n);
    load();
    unsigned nextCode = kFirstCode;
    unsigned width = kMinWidth;
    unsigned maxCode = (1u << kMinWidth) - 1;

    // A step may only start while the output is no longer than the input minus 5 bytes and has
    // 5 bytes of room left; a step writes at most four (the string, a marker, the pending byte).
    // The output only grows when a code is emitted, so that is where the limits are checked.
    const std::size_t limit = std::min(n - 5, cap - 5);
    auto stopped = [&] {
        outputLength = static_cast<std::uint16_t>(w.pos);
        return w.pos > n - 5 ? CODEC_NO_GAIN : CODEC_OUTPUT_FULL;
    };
    if (w.pos > limit) return stopped();

    unsigned string = input[0];
    const std::uint8_t* const end = input + n;
    for (const std::uint8_t* p = input + 1; p != end; ++p) {
        const unsigned c = *p;
        const std::uint32_t key = (static_cast<std::uint32_t>(string) << 8) | c;
        std::uint32_t h = (key * 2654435761u) >> shift;
        unsigned code = slot[h];
        // The slot's code is taken on trust and checked beside it, so the next lookup need not
        // wait for the check when it succeeds, as it mostly does.
        if (__builtin_expect(code && keyOf[code] == key, 1)) {
            string = code;
            continue;
        }
        if (code) {  // the slot holds another key: probe on
            do {
                h = (h + 1) & mask;
                code = slot[h];
            } while (code && keyOf[code] != key);
            if (code) {
                string = code;
                continue;
            }
        }
        slot[h] = static_cast<std::uint16_t>(nextCode);
        keyOf[nextCode] = key;
        ++nextCode;
        w.Emit(string, width);
        string = c;
        if (nextCode > kLastCode) {
            w.Emit(kCodeReset, width);
            table.Reset(n);
            load();
            nextCode = kFirstCode;
            width = kMinWidth;
            maxCode = (1u << kMinWidth) - 1;
        } else if (nextCode > maxCode) {
            w.Emit(kCodeGrow, width);
            ++width;
            maxCode = 2 * maxCode + 1;
        }
        if (nextCode >= table.growAt) {
            table.Grow(nextCode);
            load();
        }
        if (w.pos > limit && p + 1 != end) return stopped();
    }
    // The last string, the end code and the pending byte: at most five bytes.
    if (w.pos + 5 > cap) {
        outputLength = static_cast<std::uint16_t>(w.pos);
        return CODEC_OUTPUT_FULL;
    }
    w.Emit(string, width);
    w.Emit(kCodeEnd, width);
    w.Flush();
    outputLength = static_cast<std::uint16_t>(w.pos);
    return CODEC_OK;
}

namespace {

// Decoder state. A code's string is always a run of earlier output (its prefix's string was
// written just before the byte that completed it), so a code is stored as where its string starts
// in the output and how long it is, and expanding it is one copy instead of a prefix walk. Entries
// of an earlier dictionary are never read: only codes below nextCode are expanded.
struct DecoderTable {
    std::uint16_t offset[kLastCode + 1];
    std::uint16_t length[kLastCode + 1];
};

thread_local std::unique_ptr<DecoderTable> tlsDecoder;

struct BitReader {
    const std::uint8_t* in;
    std::size_t n;
    std::size_t loaded;  // bytes moved into the buffer
    std::uint64_t buffer = 0;
    unsigned count = 0;

    // Bytes whose bits have been needed; a partly used byte counts as consumed.
    std::size_t Position() const { return loaded - count / 8; }

    // False when the input ends before `width` bits.
    inline bool Read(unsigned width, unsigned& code) {
        if (count < width) {
            while (count <= 56 && loaded < n) {
                buffer = (buffer << 8) | in[loaded++];
                count += 8;
            }
            if (count < width) return false;
        }
        count -= width;
        code = static_cast<unsigned>(buffer >> count) & ((1u << width) - 1);
        return true;
    }
};

}  // namespace

std::uint8_t Decompress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                        std::uint16_t capacity, std::uint16_t& outputLength) {
    outputLength = 0;
    const std::size_t n = inputLength;
    const std::size_t cap = capacity;
    if (!input || n < kMagicLength || std::memcmp(input, kCodecMagic, kMagicLength) != 0)
        return CODEC_BAD_MAGIC;
    BitReader r{input, n, kMagicLength};
    if (r.Position() >= n) return CODEC_OK;
    if (!output) return CODEC_OUTPUT_FULL;

    if (!tlsDecoder) tlsDecoder = std::make_unique_for_overwrite<DecoderTable>();
    DecoderTable& table = *tlsDecoder;

    std::size_t count = 0;
    auto done = [&](std::uint8_t result) {
        outputLength = static_cast<std::uint16_t>(count);
        return result;
    };

    for (;;) {  // one pass per dictionary
        unsigned nextCode = kFirstCode;
        unsigned width = kMinWidth;
        unsigned old;
        if (!r.Read(width, old)) return done(CODEC_BAD_CODE);
        if (old == kCodeEnd) return done(CODEC_OK);
        if (old > 255) return done(CODEC_BAD_CODE);  // a fresh dictionary starts with a byte
        if (count + 1 > cap) return done(CODEC_OUTPUT_FULL);
        std::size_t oldPos = count;
        std::size_t oldLen = 1;
        output[count++] = static_cast<std::uint8_t>(old);
        if (r.Position() >= n) return done(CODEC_OK);

        for (;;) {
            if (count + 5 > cap) return done(CODEC_OUTPUT_FULL);
            unsigned code;
            if (!r.Read(width, code)) return done(CODEC_BAD_CODE);
            if (code == kCodeEnd) return done(CODEC_OK);
            if (code == kCodeReset) {
                if (r.Position() < n) break;
                return done(CODEC_OK);
            }
            if (code == kCodeGrow) {
                if (++width > kMaxWidth) return done(CODEC_BAD_CODE);
                if (r.Position() >= n) return done(CODEC_OK);
                continue;
            }
            const std::size_t pos = count;
            std::size_t len;
            if (code < 256) {
                len = 1;
                output[count++] = static_cast<std::uint8_t>(code);
            } else if (code < nextCode) {
                len = table.length[code];
                if (count + len > cap) return done(CODEC_OUTPUT_FULL);
                std::memcpy(output + count, output + table.offset[code], len);
                count += len;
            } else if (code == nextCode) {
                // The code being defined: the previous string plus its own first byte.
                len = oldLen + 1;
                if (count + len > cap) return done(CODEC_OUTPUT_FULL);
                std::memcpy(output + count, output + oldPos, oldLen);
                output[count + oldLen] = output[oldPos];
                count += len;
            } else {
                return done(CODEC_BAD_CODE);
            }
            if (nextCode > kLastCode - 1) return done(CODEC_BAD_CODE);  // needed a reset first
            table.offset[nextCode] = static_cast<std::uint16_t>(oldPos);
            table.length[nextCode] = static_cast<std::uint16_t>(oldLen + 1);
            ++nextCode;
            oldPos = pos;
            oldLen = len;
            if (r.Position() >= n) return done(CODEC_OK);
        }
    }
}

}  // namespace tessnet
