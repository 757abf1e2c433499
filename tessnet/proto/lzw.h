// What the LZW compressor and decompressor share: the stream's fixed codes and widths.
#pragma once

#include <cstddef>

#include "codec.h"

namespace tessnet::lzw {

inline constexpr unsigned kCodeEnd = 256;
inline constexpr unsigned kCodeGrow = 257;
inline constexpr unsigned kCodeReset = 258;
inline constexpr unsigned kFirstCode = 259;
inline constexpr unsigned kLastCode = 32767;
inline constexpr unsigned kMinWidth = 9;
inline constexpr unsigned kMaxWidth = 15;
inline constexpr std::size_t kMagicLength = sizeof(kCodecMagic);

}  // namespace tessnet::lzw
