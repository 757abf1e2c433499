// One TCP connection to a file server: socket, inbound queue, the sender's queue, downloads,
// configuration files, reader and sender threads (docs/threading.md). Owned through shared_ptr by
// the registry and by its own threads, so that a thread that is still finishing never outlives the
// memory it uses.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "config_files.h"
#include "downloads.h"
#include "inbound_queue.h"
#include "log.h"
#include "unique_fd.h"
#include "upload_queue.h"
#include "worker.h"

namespace tessnet {

class PendingNotice;

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    // The longest the reader waits for the server to take the connection (see ConnectTimeout).
    static constexpr std::chrono::milliseconds kConnectWait{10000};
    // Bytes taken from the socket per receipt; the reader takes more only once it has handled
    // every complete packet, so a fast server is held back by TCP instead of filling memory.
    static constexpr std::size_t kReceiptSize = 8192;

    explicit Connection(std::string_view account);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Host thread: starts connecting and both threads, without waiting; the reader completes the
    // connect within ConnectTimeout(). 0 for an address that is not numeric or a connect refused
    // at once (the closed port of a local address), else 1.
    int Connect(const char* ipText, int port);
    // Host thread: hands a request packet to the sender thread.
    void Send(std::vector<std::uint8_t> packet);
    // Host thread. Shuts the socket down, stops both threads (bounded), sends notice 42 unless
    // quiet (once, only while the socket is open), empties the queues and removes unfinished
    // downloads. The descriptor itself is closed when the last owner lets go.
    void Close(bool quiet);
    // Reader thread, after the configuration files it was asked for: notice 42, then the
    // socket is shut down and the sender stopped; the reader ends when the handler returns.
    // The connection stays registered until DisconnectServer.
    void EndAfterConfiguration(PendingNotice& notice);

    const std::string& account() const { return account_; }
    bool SocketOpen();

    CQueueTemplate& inbound() { return inbound_; }
    UploadQueue& uploads() { return uploads_; }
    Downloads& downloads() { return downloads_; }
    ConfigFiles& configFiles() { return configFiles_; }
    ConnectionLog& log() { return log_; }

  private:
    enum class Receipt { Data, Closed, Stopped };
    // Reader thread: waits within the connect bound for the server to take the connection.
    bool CompleteConnect(const std::stop_token& stop);
    void ReaderLoop(std::stop_token stop);
    // Waits for the socket or the stop, then receives what is there.
    Receipt Receive(const std::stop_token& stop);
    void SenderLoop(std::stop_token stop);
    // Sender thread: n when every byte went out; -1, with errno set, for a send error; 0 when this
    // side shut the socket down before or during the send (Close, EndAfterConfiguration), which is
    // no fault to report. Waits as long as the server takes nothing.
    int SendAll(const std::uint8_t* bytes, std::size_t n);
    void SendRequest(const std::vector<std::uint8_t>& packet);
    // False when the announcement could not be sent.
    bool Announce(const UploadItem& item);
    // A file the sender cannot send (unreadable, short, not sent): taken out of the queue, and
    // the host hears it refused (NotifyUploadFailed).
    void GiveUp(const std::shared_ptr<UploadItem>& item, std::string_view fileName,
                PendingNotice& notice);
    // False when the thread was asked to stop during the file.
    bool SendFile(const std::shared_ptr<UploadItem>& item, const UploadItem& snapshot,
                  PendingNotice& notice, const std::stop_token& stop);
    bool ClaimNotice(bool quiet);
    void ShutdownSocket();

    const std::string account_;
    ConnectionLog log_;
    CQueueTemplate inbound_;  // the reader's own
    UploadQueue uploads_;
    Downloads downloads_;
    ConfigFiles configFiles_;

    std::mutex socketMutex_;  // guards socketOpen_ and noticeClaimed_
    UniqueFd fd_;             // set before the threads start, closed with the connection
    bool socketOpen_ = false;
    bool noticeClaimed_ = false;
    std::string peer_;                                 // "address:port", for log lines
    std::chrono::steady_clock::time_point connectBy_;  // the connect bound

    Worker reader_;
    Worker sender_;
};

// How long a new connection waits for a server that does not take it; Connection::kConnectWait
// unless a test shortened it.
std::chrono::milliseconds ConnectTimeout();
void SetConnectTimeout(std::chrono::milliseconds timeout);

}  // namespace tessnet
