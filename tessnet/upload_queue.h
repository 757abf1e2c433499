// The files waiting to be sent on one connection, in queue order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

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

class UploadQueue {
  public:
    // Nothing is handed to the sender thread before this (the login was accepted).
    void AllowSending();

    // 1 queued; -1 the name is being sent, the file is missing, empty, too large or its name does
    // not fit the wire field.
    int Enqueue(std::string_view sender, std::string_view localPath);
    // goAhead: release for sending; otherwise cancel (removed at once unless being sent).
    int Release(std::string_view name, bool goAhead);
    // Removes exactly this item (not a newer one that reuses its name).
    void Remove(const std::shared_ptr<UploadItem>& item);
    // Sender thread: waits until sending is allowed and an item is released, or waiting and
    // not announced yet; a copy, and the item itself. Null once `stop` is requested.
    std::shared_ptr<UploadItem> WaitNext(const std::stop_token& stop, UploadItem& snapshot);
    // Marks the announcement sent unless the item was re-queued meanwhile.
    void MarkAnnounced(const std::shared_ptr<UploadItem>& item, std::uint32_t generation);
    void Clear();
    int Count();
    // Waits while the sender thread is still busy with the file `name` (its last progress
    // notification); false when `stop` was requested first.
    bool WaitWhileSending(std::string_view name, const std::stop_token& stop);

  private:
    std::shared_ptr<UploadItem> FindLocked(std::string_view name);
    std::shared_ptr<UploadItem> NextReadyLocked(UploadItem& snapshot);

    std::mutex mutex_;
    std::condition_variable_any changed_;  // an item became workable, or the busy one was let go
    std::list<std::shared_ptr<UploadItem>> items_;
    std::shared_ptr<UploadItem> busy_;  // the item the sender thread is sending
    bool sendingAllowed_ = false;

    friend class Connection;
    void SetBusy(std::shared_ptr<UploadItem> item);
};

}  // namespace tessnet
