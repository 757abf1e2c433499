// tesscodec: runs the packet codec on files, for debugging captures and checking the codec from
// outside. Exit status 0 whenever the operation ran, whatever its result.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "codec.h"
#include "packet.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kIoError = 1;

void Usage() {
    std::fprintf(
        stderr,
        "usage: tesscodec crc IN\n"
        "       tesscodec compress IN OUT [CAPACITY]\n"
        "       tesscodec decompress IN OUT [CAPACITY]\n"
        "       tesscodec packet IN OUT COMMAND [FIXEDONE PIECECOUNT PIECENUMBER CAPACITY]\n"
        "       tesscodec parse IN OUT [CAPACITY]\n");
}

std::optional<std::vector<std::uint8_t>> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tesscodec: cannot read %s: %s\n", path, std::strerror(errno));
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "tesscodec: error reading %s\n", path);
        return std::nullopt;
    }
    return bytes;
}

bool WriteFile(const char* path, const std::uint8_t* data, std::size_t length) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    if (!out) {
        std::fprintf(stderr, "tesscodec: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    return true;
}

// Parses an unsigned decimal (or 0x hex) number no larger than max.
std::optional<std::uint64_t> ParseNumber(const char* text, std::uint64_t max, const char* what) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno || end == text || *end || text[0] == '-' || v > max) {
        std::fprintf(stderr, "tesscodec: %s must be a number from 0 to %llu: %s\n", what,
                     static_cast<unsigned long long>(max), text);
        return std::nullopt;
    }
    return v;
}

// The codec takes u16 lengths; a longer file cannot be one call's input.
bool CheckLength(const std::vector<std::uint8_t>& in, const char* path) {
    if (in.size() > UINT16_MAX) {
        std::fprintf(stderr, "tesscodec: %s is longer than 65535 bytes\n", path);
        return false;
    }
    return true;
}

int RunCodec(bool compress, int argc, char** argv) {
    if (argc < 4 || argc > 5) return Usage(), kUsageError;
    std::uint64_t capacity = tessnet::kWorkAreaSize;
    if (argc == 5) {
        auto v = ParseNumber(argv[4], UINT16_MAX, "CAPACITY");
        if (!v) return kUsageError;
        capacity = *v;
    }
    auto in = ReadFile(argv[2]);
    if (!in) return kIoError;
    if (!CheckLength(*in, argv[2])) return kUsageError;
    std::vector<std::uint8_t> out(capacity + 1);  // never empty, so data() is never null
    std::uint16_t length = 0;
    const auto n = static_cast<std::uint16_t>(in->size());
    const auto cap = static_cast<std::uint16_t>(capacity);
    const std::uint8_t result = compress
                                    ? tessnet::Compress(in->data(), n, out.data(), cap, length)
                                    : tessnet::Decompress(in->data(), n, out.data(), cap, length);
    if (result == tessnet::CODEC_OK && !WriteFile(argv[3], out.data(), length)) return kIoError;
    std::printf("result=%u length=%u\n", result, length);
    return 0;
}

int RunPacket(int argc, char** argv) {
    if (argc != 5 && argc != 9) return Usage(), kUsageError;
    auto command = ParseNumber(argv[4], 255, "COMMAND");
    if (!command) return kUsageError;
    std::uint64_t fields[4] = {1, 1, 1, tessnet::kRequestCapacity};
    if (argc == 9) {
        const char* names[4] = {"FIXEDONE", "PIECECOUNT", "PIECENUMBER", "CAPACITY"};
        for (int i = 0; i < 4; ++i) {
            auto v = ParseNumber(argv[5 + i], i == 3 ? UINT16_MAX : UINT32_MAX, names[i]);
            if (!v) return kUsageError;
            fields[i] = *v;
        }
    }
    auto in = ReadFile(argv[2]);
    if (!in) return kIoError;
    if (!CheckLength(*in, argv[2])) return kUsageError;
    std::vector<std::uint8_t> out(fields[3] + 1);
    std::uint16_t length = 0;
    const bool ok = tessnet::BuildPacket(
        in->data(), static_cast<std::uint16_t>(in->size()), static_cast<std::uint8_t>(*command),
        static_cast<std::uint32_t>(fields[0]), static_cast<std::uint32_t>(fields[1]),
        static_cast<std::uint32_t>(fields[2]), out.data(), static_cast<std::uint16_t>(fields[3]),
        length);
    if (ok && !WriteFile(argv[3], out.data(), length)) return kIoError;
    std::printf("result=%d length=%u\n", ok ? 1 : 0, length);
    return 0;
}

int RunParse(int argc, char** argv) {
    if (argc < 4 || argc > 5) return Usage(), kUsageError;
    std::uint64_t capacity = tessnet::kWorkAreaSize;
    if (argc == 5) {
        auto v = ParseNumber(argv[4], UINT16_MAX, "CAPACITY");
        if (!v) return kUsageError;
        capacity = *v;
    }
    auto in = ReadFile(argv[2]);
    if (!in) return kIoError;
    if (in->size() < tessnet::kHeaderSize) {
        std::fprintf(stderr, "tesscodec: %s is shorter than the 32-byte header\n", argv[2]);
        return kUsageError;
    }
    const std::uint16_t bodyLength = tessnet::GetU16(in->data() + tessnet::kOffBodyLength);
    if (in->size() - tessnet::kHeaderSize < bodyLength) {
        std::fprintf(stderr, "tesscodec: %s holds fewer body bytes than the header's %u\n", argv[2],
                     bodyLength);
        return kUsageError;
    }
    std::vector<std::uint8_t> out(capacity + 1);  // never empty, so data() is never null
    std::uint16_t length = 0;
    const bool ok = tessnet::ParsePacket(in->data(), in->data() + tessnet::kHeaderSize, out.data(),
                                         static_cast<std::uint16_t>(capacity), length);
    if (ok && !WriteFile(argv[3], out.data(), length)) return kIoError;
    std::printf("result=%d length=%u\n", ok ? 1 : 0, length);
    return 0;
}

int RunCrc(int argc, char** argv) {
    if (argc != 3) return Usage(), kUsageError;
    auto in = ReadFile(argv[2]);
    if (!in) return kIoError;
    std::printf("%08x\n", tessnet::Crc32(in->data(), in->size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(), kUsageError;
    const std::string op = argv[1];
    if (op == "crc") return RunCrc(argc, argv);
    if (op == "compress") return RunCodec(true, argc, argv);
    if (op == "decompress") return RunCodec(false, argc, argv);
    if (op == "packet") return RunPacket(argc, argv);
    if (op == "parse") return RunParse(argc, argv);
    if (op == "-h" || op == "--help") return Usage(), 0;
    std::fprintf(stderr, "tesscodec: unknown operation %s\n", op.c_str());
    Usage();
    return kUsageError;
}
