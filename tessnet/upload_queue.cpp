#include "upload_queue.h"

#include <sys/stat.h>

#include "wire_text.h"

namespace tessnet {

std::shared_ptr<UploadItem> UploadQueue::FindLocked(std::string_view name) {
    for (const auto& item : items_)
        if (GbkEqualNoCase(item->fileName, name)) return item;
    return nullptr;
}

void UploadQueue::SetConnected() {
    std::lock_guard lock(mutex_);
    connected_ = true;
    changed_.notify_all();
}

void UploadQueue::Push(std::vector<std::uint8_t> packet) {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(packet));
    changed_.notify_all();
}

std::vector<std::uint8_t> UploadQueue::TakeRequest() {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) return {};
    auto packet = std::move(requests_.front());
    requests_.pop_front();
    return packet;
}

void UploadQueue::AllowSending() {
    std::lock_guard lock(mutex_);
    sendingAllowed_ = true;
    changed_.notify_all();
}

int UploadQueue::Enqueue(std::string_view sender, std::string_view localPath) {
    const std::string path(localPath);
    const auto name = Utf8ToGbk(BaseName(path));
    // Names that do not fit the 260-byte wire field would reach the server cut short.
    if (!name || name->empty() || name->size() > 259) return -1;
    {
        std::lock_guard lock(mutex_);
        const auto existing = FindLocked(*name);
        if (existing && (existing->state == UploadItem::Released || existing == busy_)) return -1;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        st.st_size > 0xFFFFFFFFLL)
        return -1;
    {
        std::lock_guard lock(mutex_);
        auto item = FindLocked(*name);
        if (item && (item->state == UploadItem::Released || item == busy_)) return -1;
        if (!item) {
            item = std::make_shared<UploadItem>();
            items_.push_back(item);
        }
        const std::uint32_t generation = item->generation + 1;
        *item = UploadItem{};
        item->generation = generation;
        item->localPath = path;
        item->fileName = *name;
        item->sender = std::string(sender.substr(0, 31));
        item->fileSize = static_cast<std::uint32_t>(st.st_size);
        changed_.notify_all();
    }
    return 1;
}

int UploadQueue::Release(std::string_view name, bool goAhead) {
    {
        std::lock_guard lock(mutex_);
        const auto item = FindLocked(name);
        if (!item) return -1;
        if (goAhead) {
            item->state = UploadItem::Released;
        } else {
            item->state = UploadItem::Cancelled;
            // The file being sent finishes first; the sender removes it afterwards.
            if (item != busy_) items_.remove(item);
        }
        changed_.notify_all();
    }
    return 1;
}

void UploadQueue::Remove(const std::shared_ptr<UploadItem>& item) {
    std::lock_guard lock(mutex_);
    items_.remove(item);
    if (busy_ == item) busy_.reset();
    changed_.notify_all();
}

void UploadQueue::Drop(const std::shared_ptr<UploadItem>& item) {
    std::lock_guard lock(mutex_);
    items_.remove(item);
    busy_ = item;
    changed_.notify_all();
}

void UploadQueue::SetBusy(std::shared_ptr<UploadItem> item) {
    std::lock_guard lock(mutex_);
    busy_ = std::move(item);
    changed_.notify_all();
}

bool UploadQueue::WaitWhileSending(std::string_view name, const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    return changed_.wait(lock, stop,
                         [&] { return !busy_ || !GbkEqualNoCase(busy_->fileName, name); });
}

SenderWork UploadQueue::WaitNext(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    SenderWork work;
    changed_.wait(lock, stop, [&] {
        if (!connected_) return false;
        if (!requests_.empty()) return true;
        return sendingAllowed_ && (work.item = NextReadyLocked(work.snapshot)) != nullptr;
    });
    if (stop.stop_requested()) return {};
    if (!work.item) {
        work.kind = SenderWork::Request;
        work.packet = std::move(requests_.front());
        requests_.pop_front();
    } else {
        work.kind =
            work.snapshot.state == UploadItem::Waiting ? SenderWork::Announce : SenderWork::Send;
    }
    return work;
}

std::shared_ptr<UploadItem> UploadQueue::NextReadyLocked(UploadItem& snapshot) {
    for (auto it = items_.begin(); it != items_.end();) {
        const auto& item = *it;
        if (item->state == UploadItem::Cancelled) {
            it = items_.erase(it);
            continue;
        }
        if (item->state == UploadItem::Released ||
            (item->state == UploadItem::Waiting && !item->announced)) {
            snapshot = *item;
            return item;
        }
        ++it;
    }
    return nullptr;
}

void UploadQueue::MarkAnnounced(const std::shared_ptr<UploadItem>& item, std::uint32_t generation) {
    std::lock_guard lock(mutex_);
    if (item->generation == generation) item->announced = true;
}

void UploadQueue::Clear() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    items_.clear();
    busy_.reset();
    changed_.notify_all();
}

bool UploadQueue::Empty() {
    std::lock_guard lock(mutex_);
    return items_.empty() && !busy_;
}

}  // namespace tessnet
