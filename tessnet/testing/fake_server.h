// A scriptable file server on 127.0.0.1 with an ephemeral port. It records every packet it
// receives and sends whatever a test asks: packets, raw bytes (garbage, split packets, bad
// checksums, oversized lengths) and graceful or abrupt closes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "packet.h"
#include "unique_fd.h"

namespace tessnet::testing {

struct ReceivedPacket {
    PacketHeader header;
    std::vector<std::uint8_t> body;     // as transmitted
    std::vector<std::uint8_t> payload;  // after ParsePacket
    bool parsed = false;
};

// Builds one packet as a server would (capacity of the 61440-byte work area).
std::vector<std::uint8_t> MakePacket(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                                     std::uint32_t pieceCount = 1, std::uint32_t pieceNumber = 1);
// A ChunkBody with its data.
std::vector<std::uint8_t> MakeChunk(const std::string& name, std::uint32_t fileSize,
                                    std::uint32_t count, std::uint32_t number, std::uint32_t offset,
                                    const std::uint8_t* data, std::uint32_t length,
                                    const std::string& sender = "");

class FakeClient {
  public:
    explicit FakeClient(UniqueFd fd);
    ~FakeClient();

    bool Send(std::uint8_t command, const std::vector<std::uint8_t>& payload,
              std::uint32_t pieceCount = 1, std::uint32_t pieceNumber = 1);
    bool SendRaw(const std::uint8_t* bytes, std::size_t n);
    bool SendRaw(const std::vector<std::uint8_t>& bytes) {
        return SendRaw(bytes.data(), bytes.size());
    }
    // Graceful close (FIN) or abrupt close (RST).
    void Close();
    void Abort();

    std::vector<ReceivedPacket> Packets();
    std::size_t PacketCount();
    bool WaitForPackets(std::size_t n,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True once the library closed its side.
    bool WaitClosedByPeer(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void set_recording(bool on) { recording_ = on; }
    // While paused the server takes nothing from its socket, so the library's sends fill the
    // socket buffers and then wait.
    void Pause(bool on);
    // A file's chunk packets other than its last then reach the handler as received, not
    // expanded (`parsed` false): a benchmark's server takes an upload in at the network's pace
    // and checks it afterwards with Parse.
    void set_defer_chunks(bool on) { deferChunks_ = on; }
    // Expands a packet that arrived unexpanded.
    static bool Parse(ReceivedPacket& packet);

  private:
    friend class FakeServer;
    void Start(std::function<void(FakeClient&, const ReceivedPacket&)> handler);
    void Run(std::function<void(FakeClient&, const ReceivedPacket&)> handler);
    // Sets the packet's payload from its body; `workArea` holds kWorkAreaSize bytes.
    static void Expand(const std::uint8_t* header, ReceivedPacket& packet,
                       std::vector<std::uint8_t>& workArea);

    UniqueFd fd_;
    std::mutex sendMutex_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<ReceivedPacket> packets_;
    std::size_t packetCount_ = 0;
    bool peerClosed_ = false;
    bool paused_ = false;
    std::atomic<bool> recording_{true};
    std::atomic<bool> deferChunks_{false};
    std::thread thread_;
};

class FakeServer {
  public:
    using Handler = std::function<void(FakeClient&, const ReceivedPacket&)>;

    FakeServer();
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    int port() const { return port_; }
    // Set before clients connect; runs on the client's receiving thread for every packet.
    void SetHandler(Handler handler);
    std::size_t ClientCount();
    std::shared_ptr<FakeClient> Client(std::size_t index);
    bool WaitForClients(std::size_t n,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Canned behaviour: accept every login, release every announced file, rebuild the uploaded
    // files and answer each complete file with reason 4.
    // Without acceptLogin the test answers the login itself.
    void ServeUploads(bool keepFiles = true, bool acceptLogin = true);
    // The same behaviour as a handler, to combine with others.
    Handler UploadHandler(bool keepFiles = true, bool acceptLogin = true);
    struct UploadedFile {
        std::vector<std::uint8_t> bytes;  // empty unless kept
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
        std::uint32_t chunks = 0;
        bool complete = false;
    };
    std::map<std::string, UploadedFile> Uploads();
    // Non-blocking, for EventLoopHost::RunUntil: the host thread must keep pumping meanwhile.
    bool UploadComplete(const std::string& name);

  private:
    void Accept();

    UniqueFd listener_;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable cv_;
    Handler handler_;
    std::vector<std::shared_ptr<FakeClient>> clients_;
    std::map<std::string, UploadedFile> uploads_;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
};

}  // namespace tessnet::testing
