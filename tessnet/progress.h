// Progress notifications (type 254): the percentage of a file's chunks, and the record.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessnet {

// What a ProgressRecord says about how far a file is: the percentage truncated, and as text
// ("%.0f%%", rounded). The host hears a file's progress for its first chunk, whenever this
// changes, and for its last chunk; chunks in between tell it nothing new.
struct Percentage {
    std::uint16_t percent = 0;
    char text[8] = {};

    bool operator==(const Percentage& other) const;
};

// Chunk `number` of `count` received: the ratio in double precision, at most 100.
Percentage DownloadPercentage(std::uint32_t number, std::uint32_t count);
// Chunk `number` of `count` sent: the number is truncated from the ratio in single precision.
Percentage UploadPercentage(std::uint32_t number, std::uint32_t count);

// Fills a ProgressRecord of TESS_PROGRESS_SIZE bytes.
void BuildProgress(std::uint8_t* record, std::uint8_t direction, std::string_view fileName,
                   std::string_view account, std::uint32_t fileSize, const Percentage& percentage);

}  // namespace tessnet
