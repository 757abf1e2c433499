// Decompress never reads past its input or writes past its capacity, whatever the bytes; and
// whenever Compress succeeds, Decompress gives the input back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 65535 + 2) return 0;
    // The first two bytes choose the capacity; the rest is the stream, in an exact-size buffer so
    // that ASan sees any read past its end.
    const std::uint16_t capacity = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    const std::size_t n = size - 2;
    auto in = std::make_unique<std::uint8_t[]>(n + (n == 0));
    std::memcpy(in.get(), data + 2, n);

    {
        // Make most inputs start with the magic so the decoder's body is exercised.
        auto stream = std::make_unique<std::uint8_t[]>(n + 5);
        std::memcpy(stream.get(), tessnet::kCodecMagic, 5);
        std::memcpy(stream.get() + 5, in.get(), n);
        auto out = std::make_unique<std::uint8_t[]>(capacity + (capacity == 0));
        std::uint16_t length = 0;
        if (n + 5 <= 65535) {
            tessnet::Decompress(stream.get(), static_cast<std::uint16_t>(n + 5), out.get(),
                                capacity, length);
            if (length > capacity) std::abort();
        }
        tessnet::Decompress(in.get(), static_cast<std::uint16_t>(n), out.get(), capacity, length);
        if (length > capacity) std::abort();
    }

    if (n <= 61408) {
        auto packed = std::make_unique<std::uint8_t[]>(61440);
        std::uint16_t packedLength = 0;
        if (tessnet::Compress(in.get(), static_cast<std::uint16_t>(n), packed.get(), 61440,
                              packedLength) == tessnet::CODEC_OK) {
            auto back = std::make_unique<std::uint8_t[]>(61440);
            std::uint16_t backLength = 0;
            if (tessnet::Decompress(packed.get(), packedLength, back.get(), 61440, backLength) !=
                    tessnet::CODEC_OK ||
                backLength != n || std::memcmp(back.get(), in.get(), n) != 0)
                std::abort();
        }
    }
    return 0;
}
