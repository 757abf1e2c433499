#include "progress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "packet.h"
#include "tessnet/tessnet.h"
#include "wire_text.h"

namespace tessnet {

namespace {

static_assert(TESS_PROGRESS_OFF_PERCENT + 2 == TESS_PROGRESS_SIZE);

Percentage Make(double value, std::uint16_t percent) {
    Percentage p;
    p.percent = percent;
    std::snprintf(p.text, sizeof p.text, "%.0f%%", value);
    return p;
}

}  // namespace

bool Percentage::operator==(const Percentage& other) const {
    return percent == other.percent && std::strcmp(text, other.text) == 0;
}

Percentage DownloadPercentage(std::uint32_t number, std::uint32_t count) {
    // Computed before the chunk's fields are checked: a count of 0 or a number beyond it must
    // not overflow the 16-bit percentage (such a chunk is refused and never shown).
    const double ratio = count ? std::min(1.0, static_cast<double>(number) / count) : 1.0;
    return Make(ratio * 100, static_cast<std::uint16_t>(ratio * 100));
}

Percentage UploadPercentage(std::uint32_t number, std::uint32_t count) {
    const float ratio = static_cast<float>(number) / static_cast<float>(count);
    return Make(static_cast<double>(number) / count * 100, static_cast<std::uint16_t>(ratio * 100));
}

void BuildProgress(std::uint8_t* record, std::uint8_t direction, std::string_view fileName,
                   std::string_view account, std::uint32_t fileSize, const Percentage& percentage) {
    std::memset(record, 0, TESS_PROGRESS_SIZE);
    record[TESS_PROGRESS_OFF_DIRECTION] = direction;
    PutField(record + TESS_PROGRESS_OFF_FILE_NAME, TESS_NAME_SIZE, fileName);
    PutField(record + TESS_PROGRESS_OFF_ACCOUNT, TESS_ACCOUNT_SIZE, account);
    PutU32(record + TESS_PROGRESS_OFF_FILE_SIZE, fileSize);
    PutField(record + TESS_PROGRESS_OFF_PERCENT_TEXT, 32, percentage.text);
    PutU16(record + TESS_PROGRESS_OFF_PERCENT, percentage.percent);
}

}  // namespace tessnet
