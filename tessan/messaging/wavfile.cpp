#include "messaging/wavfile.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <limits>

namespace tessan {
namespace {

void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, kWavHeaderSize> WavHeader(const PcmFormat& format,
                                                   std::uint32_t dataBytes) {
    std::array<std::uint8_t, kWavHeaderSize> h{};
    std::memcpy(h.data() + 0, "RIFF", 4);
    // The RIFF size counts everything after its own field; a data chunk of odd length is padded.
    const std::uint32_t pad = dataBytes & 1u;
    Put32(h.data() + 4, 36 + dataBytes + pad);
    std::memcpy(h.data() + 8, "WAVE", 4);
    std::memcpy(h.data() + 12, "fmt ", 4);
    Put32(h.data() + 16, 16);
    Put16(h.data() + 20, 1);  // PCM
    Put16(h.data() + 22, format.channels);
    Put32(h.data() + 24, format.sampleRate);
    Put32(h.data() + 28, format.BytesPerSecond());
    Put16(h.data() + 32, format.BlockAlign());
    Put16(h.data() + 34, format.bitsPerSample);
    std::memcpy(h.data() + 36, "data", 4);
    Put32(h.data() + 40, dataBytes);
    return h;
}

bool WriteWavFile(const QString& path, const PcmFormat& format, const QByteArray& samples) {
    // Whole blocks only, and a size the header's 32-bit fields can hold.
    const qsizetype align = format.BlockAlign();
    if (align == 0) return false;
    const qsizetype usable = samples.size() - samples.size() % align;
    if (static_cast<quint64>(usable) > std::numeric_limits<std::uint32_t>::max() - 64) return false;

    const auto header = WavHeader(format, static_cast<std::uint32_t>(usable));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(reinterpret_cast<const char*>(header.data()), kWavHeaderSize);
    file.write(samples.constData(), usable);
    if (usable % 2) file.write("\0", 1);
    if (!file.commit()) return false;
    // Messages are private to the user, like the rest of the cache folder.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

}  // namespace tessan
