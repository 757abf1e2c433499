// The LZW decompressor: every code's string is a run of earlier output, so expanding a code is
// one copy.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "lzw.h"

namespace tessnet {
TESS_CODEC_BEGIN

using namespace lzw;

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

TESS_CODEC_END
}  // namespace tessnet
