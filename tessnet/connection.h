// One TCP connection to a file server: socket, inbound queue, upload queue, reader and sender
// threads. Owned through shared_ptr by the registry and by its own threads, so that a thread
// that is still finishing never outlives the memory it uses.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "config_files.h"
#include "host_link.h"
#include "inbound_queue.h"
#include "unique_fd.h"
#include "upload_queue.h"

namespace tessnet {

class Poller;
class StepPipe;

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    // How long a stopper waits for a thread before leaving it to finish on its own.
    static constexpr std::chrono::milliseconds kStopBound{6};
    static constexpr std::chrono::milliseconds kIdleWait{1000};
    static constexpr std::chrono::milliseconds kWritableWait{8000};
    // The longest a connect waits for the server's answer (see ConnectTimeout).
    static constexpr std::chrono::milliseconds kConnectWait{10000};
    static constexpr int kReceiptsPerTurn = 16;
    // Above this many unread bytes the socket is not read until the reader is back under
    // kInboundLowWater: a fast server is held back by TCP instead of filling memory.
    static constexpr std::uint32_t kInboundHighWater = 768u << 10;
    static constexpr std::uint32_t kInboundLowWater = 256u << 10;

    explicit Connection(std::string_view account);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects within ConnectTimeout(), then the socket goes under the poller and both threads
    // start. 1 or 0.
    int Connect(const char* ipText, int port);
    // n when every byte went out, 0 for no bytes, -1 for no socket or a send error.
    int SendAll(const std::uint8_t* bytes, std::size_t n);
    // Stops the threads, sends notice 42 unless quiet (once, only for an established
    // connection), shuts the socket down, empties both queues. The descriptor itself is closed
    // when the last owner lets go.
    void Close(bool quiet);

    const std::string& account() const { return account_; }
    bool connected() const { return connected_; }
    bool loggedIn() const { return loggedIn_; }
    void SetLoggedIn();
    bool SocketOpen();

    CQueueTemplate& inbound() { return inbound_; }
    UploadQueue& uploads() { return uploads_; }
    ConfigFiles& configFiles() { return configFiles_; }

    // Poller thread: one receipt of at most 8192 bytes.
    void OnReadable();

  private:
    void ReaderLoop();
    void SenderLoop();
    void Announce(const UploadItem& item);
    // False when the thread was asked to stop during the file.
    bool SendFile(const std::shared_ptr<UploadItem>& item, const UploadItem& snapshot,
                  StepPipe& steps);
    void StopThreads();
    void MarkPeerClosed(int fd);
    // Asks the poller for the next readiness of the socket, or pauses reading it.
    void WatchAgainOrPause();
    void ResumeReadingIfDrained();
    bool ClaimNotice(bool quiet);

    const std::string account_;
    CQueueTemplate inbound_;
    UploadQueue uploads_;
    ConfigFiles configFiles_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> loggedIn_{false};
    std::atomic<bool> peerClosed_{false};
    std::atomic<bool> closeReported_{false};

    std::mutex
        socketMutex_;  // guards fd_, socketOpen_, noticeClaimed_, readPaused_, poller_, pollId_
    UniqueFd fd_;
    bool socketOpen_ = false;
    bool noticeClaimed_ = false;
    bool readPaused_ = false;
    std::shared_ptr<Poller> poller_;
    std::uint64_t pollId_ = 0;

    std::mutex sendMutex_;  // one packet at a time on the socket
    std::shared_ptr<ThreadSlot> reader_ = std::make_shared<ThreadSlot>();
    std::shared_ptr<ThreadSlot> sender_ = std::make_shared<ThreadSlot>();
};

// How long ConnectServer and RegisterUser wait for a server that does not answer;
// Connection::kConnectWait unless a test shortened it.
std::chrono::milliseconds ConnectTimeout();
void SetConnectTimeout(std::chrono::milliseconds timeout);

// Builds a ProgressRecord (type 254).
void BuildProgress(std::uint8_t* record, std::uint8_t direction, std::string_view fileName,
                   std::string_view account, std::uint32_t fileSize, double percentValue,
                   std::uint16_t percent);

}  // namespace tessnet
