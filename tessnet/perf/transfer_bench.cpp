// Library transfers against a fake server in a child process, on loopback:
//   tessnet_transfer_bench [MiB] [connections] [text|random|""] [up|down|""] [cold|""] [paced]
// `paced`: the server sends downloads at 60 MB/s of file content, as a fast network would; paced
// by content, not wire bytes, so that it also slows text, which the codec halves on the wire.
// For text-like and random content it measures, in one run, the codec alone on one core
// (BuildPacket / ParsePacket of every chunk), raw loopback TCP, and the library's upload and
// download of the same file; then opens and closes many logged-in connections.
#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codec.h"
#include "event_loop_host.h"
#include "fake_server.h"
#include "packet.h"
#include "sample_data.h"
#include "tessnet/tessnet.h"
#include "unique_fd.h"
#include "wire_text.h"

using namespace tessnet;
using namespace tessnet::testing;
using Clock = std::chrono::steady_clock;
using Packets = std::vector<std::vector<std::uint8_t>>;

namespace {

constexpr std::uint32_t kChunkData = TESS_CHUNK_DATA_MAX;
constexpr char kAccount[] = "0086-10-8880000";

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double MiBps(std::size_t bytes, double seconds) {
    return bytes / 1048576.0 / seconds;
}

// CPU time of the whole process (the server runs in the child and is not counted).
double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// CPU time of this thread: the codec's single-core speed, whatever else runs on the machine.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

std::vector<std::uint8_t> Content(bool text, std::size_t size) {
    return text ? sample::EnglishText(size, 5) : sample::RandomBytes(size, 6);
}

std::string SampleName(bool text) {
    return text ? "0086-1-1@text.dat" : "0086-1-1@random.dat";
}

// Every chunk packet of a download of `data`, as the server sends them.
Packets DownloadPackets(const std::vector<std::uint8_t>& data, const std::string& stored) {
    const auto count = static_cast<std::uint32_t>((data.size() + kChunkData - 1) / kChunkData);
    Packets packets;
    packets.reserve(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t offset = k * kChunkData;
        const auto length =
            static_cast<std::uint32_t>(std::min<std::size_t>(kChunkData, data.size() - offset));
        packets.push_back(
            MakePacket(CMD_CHUNK,
                       MakeChunk(stored, static_cast<std::uint32_t>(data.size()), count, k + 1,
                                 offset, data.data() + offset, length, "0086-1-1"),
                       count, k + 2));
    }
    return packets;
}

// Child process: the server. A download request streams the prebuilt file. An upload is taken
// in as it arrives, and its chunks are expanded and checked only after the last one has been
// answered, so that the server's own codec work does not compete with the library for the
// machine's processors. A byte from the parent on `control` asks for the last upload's check:
// '1' when it arrived intact. Ends when the parent closes `control`.
[[noreturn]] void RunServer(int control, std::size_t size, const std::string& only, bool paced) {
    Packets packets[2];
    std::uint32_t crc[2] = {0, 0};
    for (int text = 0; text < 2; ++text) {
        if (!only.empty() && only != (text ? "text" : "random")) continue;
        const auto data = Content(text, size);
        crc[text] = Crc32Update(0, data.data(), data.size());
        packets[text] = DownloadPackets(data, SampleName(text));
    }
    FakeServer server;
    auto uploads = server.UploadHandler(false, true);
    std::mutex mutex;
    std::condition_variable checked;
    std::vector<ReceivedPacket> kept;
    int verdict = -1;
    server.SetHandler([&](FakeClient& client, const ReceivedPacket& packet) {
        client.set_recording(false);
        client.set_defer_chunks(true);
        if (packet.header.command == CMD_CHUNK && !packet.parsed) {
            kept.push_back(packet);
            return;
        }
        if (packet.header.command != CMD_DOWNLOAD) uploads(client, packet);
        if (packet.header.command == CMD_CHUNK) {
            kept.push_back(packet);
            std::uint32_t got = 0;
            std::size_t total = 0;
            bool ok = true;
            for (auto& p : kept) {
                if (!p.parsed && !FakeClient::Parse(p)) ok = false;
                if (!ok || p.payload.size() < TESS_CHUNK_HEAD_SIZE) break;
                const auto length = GetU32(p.payload.data() + TESS_CHUNK_OFF_CHUNK_LENGTH);
                got = Crc32Update(got, p.payload.data() + TESS_CHUNK_HEAD_SIZE, length);
                total += length;
            }
            const bool text = FieldText(kept.back().payload.data(), TESS_NAME_SIZE) == "text.dat";
            kept.clear();
            std::lock_guard lock(mutex);
            verdict = ok && total == size && got == crc[text];
            checked.notify_all();
        }
        if (packet.header.command != CMD_DOWNLOAD) return;
        const bool text =
            std::string(reinterpret_cast<const char*>(packet.payload.data())) == SampleName(true);
        const auto start = Clock::now();
        std::size_t sent = 0;
        for (const auto& p : packets[text]) {
            if (paced)
                std::this_thread::sleep_until(
                    start + std::chrono::nanoseconds(static_cast<long long>(sent / 0.06)));
            client.SendRaw(p);
            sent += TESS_CHUNK_DATA_MAX;
        }
    });
    const int port = server.port();
    [[maybe_unused]] ssize_t w = write(control, &port, sizeof port);
    char byte;
    while (read(control, &byte, 1) > 0) {
        std::unique_lock lock(mutex);
        checked.wait(lock, [&] { return verdict >= 0; });
        const char answer = verdict ? '1' : '0';
        verdict = -1;
        w = write(control, &answer, 1);
    }
    _exit(0);
}

// One core: every chunk through BuildPacket (upload side) and ParsePacket (download side).
void CodecAlone(const std::vector<std::uint8_t>& data, double& buildMiBps, double& parseMiBps) {
    const Packets packets = DownloadPackets(data, "x@y");
    double start = ThreadSeconds();
    std::vector<std::uint8_t> out(kWorkAreaSize);
    std::vector<std::uint8_t> body(TESS_CHUNK_HEAD_SIZE + kChunkData, 0);
    for (std::size_t offset = 0; offset < data.size(); offset += kChunkData) {
        const std::size_t n = std::min<std::size_t>(kChunkData, data.size() - offset);
        std::memcpy(body.data() + TESS_CHUNK_HEAD_SIZE, data.data() + offset, n);
        std::uint16_t length = 0;
        BuildPacket(body.data(), static_cast<std::uint16_t>(n + TESS_CHUNK_HEAD_SIZE), CMD_CHUNK, 1,
                    1, 1, out.data(), static_cast<std::uint16_t>(out.size()), length);
    }
    buildMiBps = MiBps(data.size(), ThreadSeconds() - start);
    start = ThreadSeconds();
    for (const auto& p : packets) {
        std::uint16_t length = 0;
        ParsePacket(p.data(), p.data() + kHeaderSize, out.data(),
                    static_cast<std::uint16_t>(out.size()), length);
    }
    parseMiBps = MiBps(data.size(), ThreadSeconds() - start);
}

// Raw loopback TCP: one thread writes `size` bytes, this one reads them.
double RawTcp(std::size_t size) {
    UniqueFd listener(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener.get(), 1);
    socklen_t length = sizeof address;
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    const auto start = Clock::now();
    std::thread writer([&] {
        UniqueFd fd(socket(AF_INET, SOCK_STREAM, 0));
        connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::vector<std::uint8_t> block(8192, 'x');
        for (std::size_t sent = 0; sent < size; sent += block.size())
            if (send(fd.get(), block.data(), block.size(), MSG_NOSIGNAL) <= 0) break;
    });
    UniqueFd fd(accept(listener.get(), nullptr, nullptr));
    std::vector<std::uint8_t> buffer(65536);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t r = recv(fd.get(), buffer.data(), buffer.size(), 0);
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    writer.join();
    return MiBps(got, Since(start));
}

// A virtual machine backs guest memory that has not been used for a while only when it is
// touched, which costs a download's file pages (new page cache) several times the write itself.
// Touching that much memory first and freeing it makes the measurement one of the library.
void WarmMemory(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    std::memset(p, 1, bytes);
    munmap(p, bytes);
}

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const int connections = argc > 2 ? std::atoi(argv[2]) : 200;
    const std::size_t size = mib << 20;
    const std::string only = argc > 3 ? argv[3] : "";
    const std::string direction = argc > 4 ? argv[4] : "";
    const bool cold = argc > 5 && std::string(argv[5]) == "cold";
    const bool paced = argc > 6 && std::string(argv[6]) == "paced";

    int control[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, control) != 0) return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(control[1]);
        RunServer(control[0], size, only, paced);
    }
    close(control[0]);
    int port = 0;
    if (read(control[1], &port, sizeof port) != sizeof port) return 1;

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tessnet-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    EventLoopHost host;
    host.set_record_progress(false);
    InitFtpDll(host.descriptor(), 2048, (dir / "dl").c_str());

    double load[1] = {0};
    getloadavg(load, 1);
    std::printf(
        "%zu MiB per transfer; codec alone in CPU time of one core; load %.1f on %u cores\n", mib,
        load[0], std::thread::hardware_concurrency());
    std::printf("raw loopback TCP: %.0f MiB/s\n", RawTcp(size));
    std::printf("MiB/s; wall = elapsed time, cpu = per CPU-second of the library's process\n");
    std::printf("%-7s %7s %7s %7s %7s %8s %8s %7s %7s\n", "content", "build", "up-wall", "up-cpu",
                "parse", "dn-wall", "dn-cpu", "up/cod", "dn/cod");
    for (bool text : {true, false}) {
        if (!only.empty() && only != (text ? "text" : "random")) continue;
        const auto data = Content(text, size);
        double build = 0, parse = 0;
        CodecAlone(data, build, parse);

        const auto path = dir / (text ? "text.dat" : "random.dat");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(size));
        ConnectServer("127.0.0.1", port, kAccount, "key");
        host.WaitForType(TESS_NOTE_LOGIN);
        host.ClearNotes();

        double upload = 0, uploadCpu = 0, download = 0, downloadCpu = 0;
        bool uploadIntact = true;
        if (direction != "down") {
            const auto start = Clock::now();
            const double cpu = ProcessSeconds();
            UploadFile("0086-1-1", kAccount, path.c_str());
            host.WaitForType(TESS_NOTE_QUEUE_EMPTY, 1, std::chrono::minutes(10));
            upload = MiBps(size, Since(start));
            uploadCpu = MiBps(size, ProcessSeconds() - cpu);
            char answer = '0';
            if (write(control[1], "?", 1) != 1 || read(control[1], &answer, 1) != 1 ||
                answer != '1')
                uploadIntact = false;
        }
        bool same = true;
        if (direction != "up") {
            const std::size_t before = host.completed_count();
            if (!cold) WarmMemory(2 * size);
            const auto start = Clock::now();
            const double cpu = ProcessSeconds();
            DownLoad(kAccount, SampleName(text).c_str());
            // The 100% notice comes once the whole file has its name.
            host.RunUntil([&] { return host.completed_count() > before; },
                          std::chrono::minutes(10));
            download = MiBps(size, Since(start));
            downloadCpu = MiBps(size, ProcessSeconds() - cpu);
            same = std::filesystem::file_size(dir / "dl" / path.filename()) == size;
        }

        std::printf("%-7s %7.1f %7.1f %7.1f %7.1f %8.1f %8.1f %6.0f%% %6.0f%%%s%s\n",
                    text ? "text" : "random", build, upload, uploadCpu, parse, download,
                    downloadCpu, 100 * upload / build, 100 * download / parse,
                    same ? "" : "  (downloaded size differs)",
                    uploadIntact ? "" : "  (upload arrived damaged)");
        // Processor seconds per GiB: the library's whole process against the codec's own.
        const auto perGiB = [](double mibps) { return mibps > 0 ? 1024 / mibps : 0.0; };
        std::printf(
            "        cpu s/GiB: codec build %.2f, upload %.2f (%.2fx); codec parse %.2f, "
            "download %.2f (%.2fx)\n",
            perGiB(build), perGiB(uploadCpu), build / uploadCpu, perGiB(parse), perGiB(downloadCpu),
            parse / downloadCpu);
        DisconnectServer(kAccount);
        std::filesystem::remove(path);
        std::filesystem::remove(dir / "dl" / path.filename());
    }

    // Many logged-in connections, idle.
    host.ClearNotes();
    malloc_trim(0);
    const long rssBefore = RssKiB();
    auto start = Clock::now();
    for (int i = 0; i < connections; ++i)
        ConnectServer("127.0.0.1", port, ("0086-10-" + std::to_string(1000000 + i)).c_str(), "key");
    host.WaitForType(TESS_NOTE_LOGIN, static_cast<std::size_t>(connections),
                     std::chrono::minutes(2));
    const double openSeconds = Since(start);
    host.ClearNotes();  // the test host's copies of the login records are not the library's
    malloc_trim(0);
    const long rssAfter = RssKiB();

    rusage usageBefore{}, usageAfter{};
    getrusage(RUSAGE_SELF, &usageBefore);
    const auto idleStart = Clock::now();
    // Nothing to deliver while idle: the host sleeps, so only the library threads wake.
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double idle = Since(idleStart);
    getrusage(RUSAGE_SELF, &usageAfter);
    const double cpu = (usageAfter.ru_utime.tv_sec - usageBefore.ru_utime.tv_sec) +
                       (usageAfter.ru_stime.tv_sec - usageBefore.ru_stime.tv_sec) +
                       (usageAfter.ru_utime.tv_usec - usageBefore.ru_utime.tv_usec) / 1e6 +
                       (usageAfter.ru_stime.tv_usec - usageBefore.ru_stime.tv_usec) / 1e6;
    const long switches = usageAfter.ru_nvcsw - usageBefore.ru_nvcsw;

    start = Clock::now();
    for (int i = 0; i < connections; ++i)
        DisconnectServer(("0086-10-" + std::to_string(1000000 + i)).c_str());
    const double closeSeconds = Since(start);

    std::printf("%d connections: open+login %.3f s, close %.3f s, %.1f KiB resident each\n",
                connections, openSeconds, closeSeconds,
                static_cast<double>(rssAfter - rssBefore) / connections);
    std::printf("idle %.1f s: %.2f%% of one core, %ld voluntary wake-ups in all\n", idle,
                100 * cpu / idle, switches);

    FreeFtpDll();
    close(control[1]);
    waitpid(child, nullptr, 0);
    std::filesystem::remove_all(dir);
    return 0;
}
