// Account numbers, keys and names as the C interfaces take them: char[32], zero-terminated GBK.
#pragma once

#include "core/base/gbk.h"

#include <cstddef>

namespace tessan {

inline constexpr std::size_t kAccountFieldWidth = 32;

using AccountText = FixedText<kAccountFieldWidth>;

}  // namespace tessan
