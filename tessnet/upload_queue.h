// The sender thread's work on one connection: the host's request packets, in the order the
// host made them, and the files waiting to be uploaded, in queue order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

namespace tessnet {

struct UploadItem {
    enum State : std::uint8_t { Waiting = 0, Released = 1, Cancelled = 2 };
    std::string localPath;  // UTF-8
    std::string fileName;   // GBK, the key (letter case ignored)
    std::string sender;
    std::uint32_t fileSize = 0;
    State state = Waiting;
    bool announced = false;
    // Bumped whenever the item is re-queued, so a stale announcement does not count.
    std::uint32_t generation = 0;
};

// What the sender thread does next.
struct SenderWork {
    enum Kind { Stop, Request, Announce, Send };
    Kind kind = Stop;
    std::vector<std::uint8_t> packet;  // Request
    std::shared_ptr<UploadItem> item;  // Announce, Send
    UploadItem snapshot;               // a copy of the item as it was taken
};

class UploadQueue {
  public:
    // Nothing is handed to the sender thread before the socket is connected.
    void SetConnected();
    // No file is handed to the sender thread before this (the login was accepted).
    void AllowSending();

    // Host thread: a request packet to send once connected, after those handed over before.
    void Push(std::vector<std::uint8_t> packet);
    // Sender thread, between a file's chunks: the next request packet, if any; empty otherwise.
    std::vector<std::uint8_t> TakeRequest();

    // 1 queued; -1 the name is being sent, the file is missing, empty, too large or its name does
    // not fit the wire field.
    int Enqueue(std::string_view sender, std::string_view localPath);
    // goAhead: release for sending; otherwise cancel (removed at once unless being sent).
    int Release(std::string_view name, bool goAhead);
    // Removes exactly this item (not a newer one that reuses its name).
    void Remove(const std::shared_ptr<UploadItem>& item);
    // Sender thread, a file it gives up: out of the queue at once (its name may be queued again),
    // but the queue is not empty before SetBusy(nullptr), once the host heard of the failure.
    void Drop(const std::shared_ptr<UploadItem>& item);
    // Sender thread: waits until connected and there is a request, or sending is allowed and an
    // item is released, or waiting and not announced yet. Requests come first. Stop once `stop`
    // is requested.
    SenderWork WaitNext(const std::stop_token& stop);
    // Marks the announcement sent unless the item was re-queued meanwhile.
    void MarkAnnounced(const std::shared_ptr<UploadItem>& item, std::uint32_t generation);
    // Drops every file and every request not sent yet.
    void Clear();
    // No file queued, and none being sent or given up.
    bool Empty();
    // Waits while the sender thread is still busy with the file `name` (its last progress
    // notification); false when `stop` was requested first.
    bool WaitWhileSending(std::string_view name, const std::stop_token& stop);
    // Sender thread: the item it is sending (null: none); a cancel or re-queue meanwhile waits.
    void SetBusy(std::shared_ptr<UploadItem> item);

  private:
    std::shared_ptr<UploadItem> FindLocked(std::string_view name);
    std::shared_ptr<UploadItem> NextReadyLocked(UploadItem& snapshot);

    std::mutex mutex_;
    // A request or item became workable, the connect or the login completed, or the busy item
    // was let go.
    std::condition_variable_any changed_;
    std::deque<std::vector<std::uint8_t>> requests_;
    std::list<std::shared_ptr<UploadItem>> items_;
    std::shared_ptr<UploadItem> busy_;  // the item the sender thread is sending or giving up
    bool connected_ = false;
    bool sendingAllowed_ = false;
};

}  // namespace tessnet
