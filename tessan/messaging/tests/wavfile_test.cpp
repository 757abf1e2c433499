#include "messaging/wavfile.h"

#include "pythonwave.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

std::uint32_t Read32(const std::uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
std::uint16_t Read16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

TEST(WavHeader, DescribesVoiceFormatAtItsOffsets) {
    const auto h = WavHeader(kVoiceFormat, 11025);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(h.data()), 4), "RIFF");
    EXPECT_EQ(Read32(h.data() + 4), 36u + 11025 + 1);  // odd data is padded
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(h.data() + 8), 8), "WAVEfmt ");
    EXPECT_EQ(Read32(h.data() + 16), 16u);
    EXPECT_EQ(Read16(h.data() + 20), 1);  // PCM
    EXPECT_EQ(Read16(h.data() + 22), 1);
    EXPECT_EQ(Read32(h.data() + 24), 11025u);
    EXPECT_EQ(Read32(h.data() + 28), 11025u);
    EXPECT_EQ(Read16(h.data() + 32), 1);
    EXPECT_EQ(Read16(h.data() + 34), 8);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(h.data() + 36), 4), "data");
    EXPECT_EQ(Read32(h.data() + 40), 11025u);
}

// Python's own wave module reads the file back: format, rate, width, length and the samples.
TEST(WavFile, ReadsBackWithAnIndependentReader) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("声音.wav"));

    QByteArray samples;
    for (int i = 0; i < 2 * 11025 + 1; ++i) samples.append(static_cast<char>((i * 7) & 0xFF));
    ASSERT_TRUE(WriteWavFile(path, kVoiceFormat, samples));
    EXPECT_EQ(QFile(path).size(), 44 + samples.size() + 1);

    const QString expected =
        QStringLiteral("1 1 11025 22051 NONE ") +
        QString::fromLatin1(QCryptographicHash::hash(samples, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(ReadWaveWithPython(path), expected);
}

TEST(WavFile, UnwritablePathLeavesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/voice.wav"));
    EXPECT_FALSE(WriteWavFile(path, kVoiceFormat, QByteArray(100, '\x80')));
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace tessan
