#include "inbound_queue.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessnet {

CQueueTemplate::Storage::Storage(std::size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    data_ = static_cast<std::uint8_t*>(p);
    size_ = size;
}

CQueueTemplate::Storage::~Storage() {
    if (data_) munmap(data_, size_);
}

CQueueTemplate::Storage::Storage(Storage&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

CQueueTemplate::Storage& CQueueTemplate::Storage::operator=(Storage&& other) noexcept {
    if (this != &other) {
        if (data_) munmap(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

CQueueTemplate::CQueueTemplate(std::uint32_t capacity) : data_(capacity) {
    if (data_) capacity_ = capacity;
}

std::uint32_t CQueueTemplate::Count() const {
    if (full_) return capacity_;
    return writeIndex_ >= readIndex_ ? writeIndex_ - readIndex_
                                     : capacity_ - readIndex_ + writeIndex_;
}

int CQueueTemplate::Append(const std::uint8_t* bytes, std::size_t n) {
    if (!data_ || !bytes || n == 0) return 0;
    const std::uint32_t stored = Count();
    if (capacity_ - stored < n) {
        std::uint64_t grown = static_cast<std::uint64_t>(capacity_) * 2;
        while (grown - stored < n) grown *= 2;
        if (grown > 0x80000000u) return 0;
        Storage bigger(static_cast<std::size_t>(grown));
        if (!bigger) return 0;
        const std::uint32_t first = std::min(stored, capacity_ - readIndex_);
        std::memcpy(bigger.get(), data_.get() + readIndex_, first);
        std::memcpy(bigger.get() + first, data_.get(), stored - first);
        data_ = std::move(bigger);
        capacity_ = static_cast<std::uint32_t>(grown);
        readIndex_ = 0;
        writeIndex_ = stored;
        full_ = false;
    }
    // Store in at most two runs; writing stops when the ring becomes full.
    std::size_t left = n;
    const std::uint8_t* src = bytes;
    while (left > 0 && !full_) {
        const std::uint32_t limit =
            writeIndex_ >= readIndex_ ? capacity_ - writeIndex_ : readIndex_ - writeIndex_;
        const std::uint32_t run = static_cast<std::uint32_t>(std::min<std::size_t>(left, limit));
        std::memcpy(data_.get() + writeIndex_, src, run);
        src += run;
        left -= run;
        writeIndex_ = (writeIndex_ + run) % capacity_;
        if (writeIndex_ == readIndex_) full_ = true;
    }
    return 1;
}

bool CQueueTemplate::PeekAt(std::uint32_t offset, std::uint8_t& out) const {
    if (!data_ || offset >= Count()) return false;
    out = data_.get()[(readIndex_ + offset) % capacity_];
    return true;
}

std::uint32_t CQueueTemplate::Read(std::uint8_t* out, std::uint32_t n, bool consume) {
    if (!data_ || !out) return 0;
    const std::uint32_t take = std::min(n, Count());
    const std::uint32_t first = std::min(take, capacity_ - readIndex_);
    std::memcpy(out, data_.get() + readIndex_, first);
    std::memcpy(out + first, data_.get(), take - first);
    if (consume && take > 0) {
        readIndex_ = (readIndex_ + take) % capacity_;
        full_ = false;
    }
    return take;
}

}  // namespace tessnet
