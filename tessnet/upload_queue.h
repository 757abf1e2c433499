// The files waiting to be sent on one connection, in queue order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
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
    // Called (without the lock) whenever an item becomes workable; wakes the sender thread.
    void SetWaker(std::function<void()> waker) { waker_ = std::move(waker); }

    // 1 queued; -1 the name is being sent, the file is missing, empty, too large or its name does
    // not fit the wire field.
    int Enqueue(std::string_view sender, std::string_view localPath);
    // goAhead: release for sending; otherwise cancel (removed at once unless being sent).
    int Release(std::string_view name, bool goAhead);
    // Removes exactly this item (not a newer one that reuses its name).
    void Remove(const std::shared_ptr<UploadItem>& item);
    // First item that is released, or waiting and not announced yet; a copy, and the item itself.
    std::shared_ptr<UploadItem> NextReady(UploadItem& snapshot);
    // Marks the announcement sent unless the item was re-queued meanwhile.
    void MarkAnnounced(const std::shared_ptr<UploadItem>& item, std::uint32_t generation);
    void Clear();
    int Count();
    // Waits while the sender thread is still busy with the file `name` (its last progress
    // notification), giving up when `stopped()` turns true.
    void WaitWhileSending(std::string_view name, const std::function<bool()>& stopped);

  private:
    std::shared_ptr<UploadItem> FindLocked(std::string_view name);
    void Wake();

    std::mutex mutex_;
    std::condition_variable idle_;  // the busy item was let go
    std::list<std::shared_ptr<UploadItem>> items_;
    std::shared_ptr<UploadItem> busy_;  // the item the sender thread is sending
    std::function<void()> waker_;

    friend class Connection;
    void SetBusy(std::shared_ptr<UploadItem> item);
};

}  // namespace tessnet
