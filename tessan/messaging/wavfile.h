// A standard RIFF/WAVE file of uncompressed PCM: the 44-byte header and the sample data, written
// in one go once a recording has ended.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessan {

struct PcmFormat {
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 11025;
    std::uint16_t bitsPerSample = 8;

    std::uint16_t BlockAlign() const {
        return static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    }
    std::uint32_t BytesPerSecond() const { return sampleRate * BlockAlign(); }
};

// Voice messages: one channel, 11025 samples per second, one unsigned byte per sample.
inline constexpr PcmFormat kVoiceFormat{1, 11025, 8};

inline constexpr std::size_t kWavHeaderSize = 44;

// The header of a file holding `dataBytes` bytes of samples. Sizes that do not fit the format's
// 32-bit fields are refused by WriteWavFile before a header is built.
std::array<std::uint8_t, kWavHeaderSize> WavHeader(const PcmFormat& format,
                                                   std::uint32_t dataBytes);

// Writes header and samples to `path`, replacing any file there; a file only ever appears whole.
// False when the file cannot be written (the path is then left without a file).
bool WriteWavFile(const QString& path, const PcmFormat& format, const QByteArray& samples);

}  // namespace tessan
