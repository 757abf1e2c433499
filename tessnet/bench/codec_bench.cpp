// Codec throughput beside zlib on the same data, in one run.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "codec.h"
#include "sample_data.h"

// The second copy of the codec, built without its assembly (see codec.h).
namespace tessnet {
inline namespace portable {
std::uint8_t Compress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                      std::uint16_t capacity, std::uint16_t& outputLength);
std::uint8_t Decompress(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                        std::uint16_t capacity, std::uint16_t& outputLength);
}  // namespace portable
}  // namespace tessnet

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kChunk = 8160;
constexpr std::size_t kLarge = 61408;
constexpr std::size_t kChunkCount = 64;

enum Data { kText, kRandom, kLargeText };

// Distinct chunks, so caches see a stream rather than one block.
const std::vector<Bytes>& Chunks(Data which) {
    static const std::vector<Bytes> sets[3] = {
        [] {
            std::vector<Bytes> v;
            const Bytes all = sample::EnglishText(kChunk * kChunkCount, 21);
            for (std::size_t i = 0; i < kChunkCount; ++i)
                v.emplace_back(all.begin() + i * kChunk, all.begin() + (i + 1) * kChunk);
            return v;
        }(),
        [] {
            std::vector<Bytes> v;
            const Bytes all = sample::RandomBytes(kChunk * kChunkCount, 22);
            for (std::size_t i = 0; i < kChunkCount; ++i)
                v.emplace_back(all.begin() + i * kChunk, all.begin() + (i + 1) * kChunk);
            return v;
        }(),
        [] {
            std::vector<Bytes> v;
            for (std::uint32_t i = 0; i < 8; ++i) v.push_back(sample::EnglishText(kLarge, 30 + i));
            return v;
        }(),
    };
    return sets[which];
}

void SetBytes(benchmark::State& state, std::size_t perIteration) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * perIteration));
}

void BM_Compress(benchmark::State& state, Data which) {
    const auto& chunks = Chunks(which);
    Bytes out(61440);
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = chunks[i++ % chunks.size()];
        std::uint16_t n;
        benchmark::DoNotOptimize(tessnet::native::Compress(
            in.data(), static_cast<std::uint16_t>(in.size()), out.data(), 61440, n));
    }
    SetBytes(state, chunks[0].size());
}

std::vector<Bytes> CompressedChunks(Data which) {
    std::vector<Bytes> packed;
    for (const Bytes& in : Chunks(which)) {
        Bytes out(61440);
        std::uint16_t n = 0;
        if (tessnet::native::Compress(in.data(), static_cast<std::uint16_t>(in.size()), out.data(),
                                      61440, n) != tessnet::CODEC_OK)
            return {};
        out.resize(n);
        packed.push_back(out);
    }
    return packed;
}

void BM_Decompress(benchmark::State& state, Data which) {
    const auto packed = CompressedChunks(which);
    if (packed.empty()) {
        state.SkipWithError("data does not compress");
        return;
    }
    Bytes out(61440);
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = packed[i++ % packed.size()];
        std::uint16_t n;
        benchmark::DoNotOptimize(tessnet::native::Decompress(
            in.data(), static_cast<std::uint16_t>(in.size()), out.data(), 61440, n));
    }
    SetBytes(state, Chunks(which)[0].size());
}

void CorpusDeflate1(benchmark::State& state, const std::vector<Bytes>* chunks);
void CorpusInflate(benchmark::State& state, const std::vector<Bytes>* chunks);

void BM_ZlibDeflate1(benchmark::State& state, Data which) {
    CorpusDeflate1(state, &Chunks(which));
}

void BM_ZlibInflate(benchmark::State& state, Data which) {
    CorpusInflate(state, &Chunks(which));
}

void BM_Crc32(benchmark::State& state) {
    const Bytes data = sample::RandomBytes(8192, 40);
    for (auto _ : state) benchmark::DoNotOptimize(tessnet::Crc32(data.data(), data.size()));
    SetBytes(state, data.size());
}

void BM_ZlibCrc32(benchmark::State& state) {
    const Bytes data = sample::RandomBytes(8192, 40);
    for (auto _ : state)
        benchmark::DoNotOptimize(crc32(0, data.data(), static_cast<uInt>(data.size())));
    SetBytes(state, data.size());
}

// Compression ratio of each data set, reported once as counters for the record.
void BM_Ratio(benchmark::State& state, Data which) {
    double ours = 0, zlib = 0, raw = 0;
    for (auto _ : state) {
        ours = zlib = raw = 0;
        for (const Bytes& in : Chunks(which)) {
            Bytes out(61440);
            std::uint16_t n = 0;
            raw += static_cast<double>(in.size());
            ours += tessnet::native::Compress(in.data(), static_cast<std::uint16_t>(in.size()),
                                              out.data(), 61440, n) == tessnet::CODEC_OK
                        ? n
                        : static_cast<double>(in.size());
            uLongf zn = compressBound(static_cast<uLong>(in.size()));
            Bytes zout(zn);
            compress2(zout.data(), &zn, in.data(), static_cast<uLong>(in.size()), 1);
            zlib += static_cast<double>(zn);
        }
    }
    state.counters["wmc15_ratio"] = ours / raw;
    state.counters["zlib1_ratio"] = zlib / raw;
}

// ---- A real corpus (scripts/make-codec-corpus.sh, folder in TESS_CODEC_CORPUS), and the codec
// built with and without its x86-64 assembly side by side.
using CodecFn = std::uint8_t (*)(const std::uint8_t*, std::uint16_t, std::uint8_t*, std::uint16_t,
                                 std::uint16_t&);

std::vector<Bytes> FileChunks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const Bytes all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Bytes> v;
    for (std::size_t at = 0; at + kChunk <= all.size(); at += kChunk)
        v.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                       all.begin() + static_cast<std::ptrdiff_t>(at + kChunk));
    return v;
}

void CorpusCompress(benchmark::State& state, const std::vector<Bytes>* chunks, CodecFn compress) {
    Bytes out(61440);
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = (*chunks)[i++ % chunks->size()];
        std::uint16_t n;
        benchmark::DoNotOptimize(
            compress(in.data(), static_cast<std::uint16_t>(in.size()), out.data(), 61440, n));
    }
    SetBytes(state, kChunk);
}

// Stored chunks (those that do not compress) travel raw and cost the receiver only their CRC.
void CorpusExpand(benchmark::State& state, const std::vector<Bytes>* chunks, CodecFn decompress) {
    std::vector<Bytes> packed;
    for (const Bytes& in : *chunks) {
        Bytes out(61440);
        std::uint16_t n = 0;
        if (tessnet::native::Compress(in.data(), static_cast<std::uint16_t>(in.size()), out.data(),
                                      61440, n) == tessnet::CODEC_OK) {
            out.resize(n);
            packed.push_back(out);
        } else {
            packed.push_back(in);
            packed.back().insert(packed.back().begin(), 0);  // no magic: stored
        }
    }
    Bytes out(61440);
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = packed[i++ % packed.size()];
        std::uint16_t n;
        if (in[0] == 0)
            benchmark::DoNotOptimize(tessnet::Crc32(in.data(), in.size()));
        else
            benchmark::DoNotOptimize(
                decompress(in.data(), static_cast<std::uint16_t>(in.size()), out.data(), 61440, n));
    }
    SetBytes(state, kChunk);
}

void CorpusDeflate1(benchmark::State& state, const std::vector<Bytes>* chunks) {
    z_stream zs{};
    deflateInit(&zs, 1);
    Bytes out(deflateBound(&zs, 61440));
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = (*chunks)[i++ % chunks->size()];
        deflateReset(&zs);
        zs.next_in = const_cast<Bytef*>(in.data());
        zs.avail_in = static_cast<uInt>(in.size());
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        benchmark::DoNotOptimize(deflate(&zs, Z_FINISH));
    }
    deflateEnd(&zs);
    SetBytes(state, (*chunks)[0].size());
}

void CorpusInflate(benchmark::State& state, const std::vector<Bytes>* chunks) {
    std::vector<Bytes> packed;
    for (const Bytes& in : *chunks) {
        uLongf n = compressBound(static_cast<uLong>(in.size()));
        Bytes out(n);
        compress2(out.data(), &n, in.data(), static_cast<uLong>(in.size()), 1);
        out.resize(n);
        packed.push_back(out);
    }
    z_stream zs{};
    inflateInit(&zs);
    Bytes out(61440);
    std::size_t i = 0;
    for (auto _ : state) {
        const Bytes& in = packed[i++ % packed.size()];
        inflateReset(&zs);
        zs.next_in = const_cast<Bytef*>(in.data());
        zs.avail_in = static_cast<uInt>(in.size());
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        benchmark::DoNotOptimize(inflate(&zs, Z_FINISH));
    }
    inflateEnd(&zs);
    SetBytes(state, (*chunks)[0].size());
}

const char* const kCorpusFiles[] = {"gbk-chinese.txt", "english.txt", "c-source.txt", "binary.bin"};

// Registered at start-up, when the corpus is there.
std::vector<std::string> RegisterCorpus() {
    std::vector<std::string> names;
    const char* dir = std::getenv("TESS_CODEC_CORPUS");
    if (!dir) return names;
    static std::vector<std::vector<Bytes>> sets;
    sets.reserve(std::size(kCorpusFiles));
    for (const char* file : kCorpusFiles) {
        sets.push_back(FileChunks(std::string(dir) + "/" + file));
        if (sets.back().empty()) continue;
        const std::vector<Bytes>* chunks = &sets.back();
        const std::string name = file;
        names.push_back(name);
        benchmark::RegisterBenchmark(("corpus/compress/asm/" + name).c_str(), CorpusCompress,
                                     chunks, &tessnet::native::Compress);
        benchmark::RegisterBenchmark(("corpus/compress/portable/" + name).c_str(), CorpusCompress,
                                     chunks, &tessnet::portable::Compress);
        benchmark::RegisterBenchmark(("corpus/deflate1/" + name).c_str(), CorpusDeflate1, chunks);
        benchmark::RegisterBenchmark(("corpus/expand/asm/" + name).c_str(), CorpusExpand, chunks,
                                     &tessnet::native::Decompress);
        benchmark::RegisterBenchmark(("corpus/expand/portable/" + name).c_str(), CorpusExpand,
                                     chunks, &tessnet::portable::Decompress);
        benchmark::RegisterBenchmark(("corpus/inflate/" + name).c_str(), CorpusInflate, chunks);
    }
    return names;
}

}  // namespace

BENCHMARK_CAPTURE(BM_Compress, text8160, kText);
BENCHMARK_CAPTURE(BM_ZlibDeflate1, text8160, kText);
BENCHMARK_CAPTURE(BM_Decompress, text8160, kText);
BENCHMARK_CAPTURE(BM_ZlibInflate, text8160, kText);
BENCHMARK_CAPTURE(BM_Compress, random8160, kRandom);
BENCHMARK_CAPTURE(BM_ZlibDeflate1, random8160, kRandom);
BENCHMARK_CAPTURE(BM_ZlibInflate, random8160, kRandom);
BENCHMARK_CAPTURE(BM_Compress, text61408, kLargeText);
BENCHMARK_CAPTURE(BM_ZlibDeflate1, text61408, kLargeText);
BENCHMARK_CAPTURE(BM_Decompress, text61408, kLargeText);
BENCHMARK_CAPTURE(BM_ZlibInflate, text61408, kLargeText);
BENCHMARK(BM_Crc32);
BENCHMARK(BM_ZlibCrc32);
BENCHMARK_CAPTURE(BM_Ratio, text8160, kText)->Iterations(1);
BENCHMARK_CAPTURE(BM_Ratio, text61408, kLargeText)->Iterations(1);

namespace {

// Keeps each benchmark's CPU time per iteration so that the targets can be checked as ratios of
// the same run.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions, the median stands for the benchmark.
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            else if (!run.error_occurred && run.aggregate_name == "median")
                times_[run.run_name.str()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintTargets() const {
        struct Target {
            const char* what;
            const char* ours;
            const char* anchor;
            double atLeast;
        };
        const Target targets[] = {
            {"Compress, 8160-byte text chunks", "BM_Compress/text8160", "BM_ZlibDeflate1/text8160",
             2.0},
            {"Decompress, 8160-byte text chunks", "BM_Decompress/text8160",
             "BM_ZlibInflate/text8160", 1.0},
            {"Crc32, 8 KiB", "BM_Crc32", "BM_ZlibCrc32", 0.4},
        };
        std::printf("\n| target | ours / zlib speed | wanted | met |\n|---|---|---|---|\n");
        for (const Target& t : targets) {
            const auto a = times_.find(t.ours);
            const auto b = times_.find(t.anchor);
            if (a == times_.end() || b == times_.end() || a->second <= 0) continue;
            const double ratio = b->second / a->second;
            std::printf("| %s | %.2fx | >= %.1fx | %s |\n", t.what, ratio, t.atLeast,
                        ratio >= t.atLeast ? "yes" : "no");
        }
    }

    // Per corpus file: speed against zlib, and the assembly's gain over the portable build.
    void PrintCorpus(const std::vector<std::string>& files) const {
        if (files.empty()) return;
        const auto time = [&](const std::string& name) {
            const auto it = times_.find(name);
            return it == times_.end() ? 0.0 : it->second;
        };
        std::printf(
            "\n| corpus (8160-byte chunks) | compress / deflate-1 | asm gain, compress | "
            "expand / inflate | asm gain, expand |\n|---|---|---|---|---|\n");
        for (const auto& f : files) {
            const double ca = time("corpus/compress/asm/" + f);
            const double cp = time("corpus/compress/portable/" + f);
            const double ea = time("corpus/expand/asm/" + f);
            const double ep = time("corpus/expand/portable/" + f);
            if (ca <= 0 || ea <= 0) continue;  // filtered out
            std::printf("| %s | %.2fx | %+.0f%% | %.2fx | %+.0f%% |\n", f.c_str(),
                        time("corpus/deflate1/" + f) / ca, 100 * (cp / ca - 1),
                        time("corpus/inflate/" + f) / ea, 100 * (ep / ea - 1));
        }
    }

  private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const auto corpus = RegisterCorpus();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTargets();
    reporter.PrintCorpus(corpus);
    benchmark::Shutdown();
    return 0;
}
