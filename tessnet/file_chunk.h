// One chunk of a file (the ChunkBody of command 31 or 129) as the reader hands it on.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessnet {

struct FileChunk {
    std::string_view name;    // GBK, as received ("sender@name" for downloads)
    bool consistent = false;  // its own fields agree: number within count, data present, in file
    std::uint32_t fileSize = 0;
    std::uint32_t count = 0;
    std::uint32_t number = 0;  // 1 to count
    std::uint32_t offset = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
};

}  // namespace tessnet
