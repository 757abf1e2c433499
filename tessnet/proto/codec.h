// CRC-32 and the "WMC15" LZW codec that every packet body goes through.
#pragma once

#include <cstddef>
#include <cstdint>

// The codec's functions live in an inline namespace: the benchmark links a second copy built
// without the x86-64 assembly (TESS_PORTABLE_CODEC_COPY) under tessnet::portable, to compare the
// two in one run; everything else sees one codec as tessnet::Compress and so on.
#ifdef TESS_PORTABLE_CODEC_COPY
#define TESS_CODEC_BEGIN inline namespace portable {
#else
#define TESS_CODEC_BEGIN inline namespace native {
#endif
#define TESS_CODEC_END }

namespace tessnet {

// One-byte results of Compress and Decompress; 0 is success.
enum CodecResult : std::uint8_t {
    CODEC_OK = 0,
    CODEC_OUTPUT_FULL = 201,  // fewer than 5 bytes of output capacity left before the next step
    CODEC_NO_GAIN = 202,      // input under 50 bytes, or output grew beyond input length - 5
    CODEC_BAD_MAGIC = 203,    // input does not start with "WMC15"
    CODEC_TABLE_FULL = 205,   // the dictionary probe left the table
    CODEC_BAD_CODE = 206,     // a code chain is invalid, too long, or cut off by the end of input
};

inline constexpr char kCodecMagic[5] = {'W', 'M', 'C', '1', '5'};
inline constexpr std::size_t kCodecMinInput = 50;

TESS_CODEC_BEGIN

// Standard CRC-32 of IEEE 802.3 (reflected, init ~0, final complement). Empty input gives 0.
std::uint32_t Crc32(const void* data, std::size_t length);

// Continues a CRC over more data: Crc32Update(Crc32(a), b) == Crc32(a + b).
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);

// Variable-width LZW (9 to 15 bit codes, MSB first). Never reads past inputLength, never writes
// past capacity. outputLength is set on success and left as the bytes produced so far otherwise.
std::uint8_t Compress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                      std::uint16_t capacity, std::uint16_t& outputLength);

// Inverse of Compress. A string that would not fit into capacity gives CODEC_OUTPUT_FULL; a code
// that runs past the end of input gives CODEC_BAD_CODE.
std::uint8_t Decompress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                        std::uint16_t capacity, std::uint16_t& outputLength);

TESS_CODEC_END
}  // namespace tessnet
