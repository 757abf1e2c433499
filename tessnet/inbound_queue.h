// CQueueTemplate: the inbound byte ring of a connection. Only the reader thread uses it, so it
// has no lock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessnet {

class CQueueTemplate {
  public:
    static constexpr std::uint32_t kInitialCapacity = 1u << 20;

    explicit CQueueTemplate(std::uint32_t capacity = kInitialCapacity);
    CQueueTemplate(const CQueueTemplate&) = delete;
    CQueueTemplate& operator=(const CQueueTemplate&) = delete;

    // False when the storage could not be allocated; every operation then does nothing.
    bool HasStorage() const { return static_cast<bool>(data_); }

    // Stores n bytes, doubling the ring first when they do not fit. 0 for no storage or no bytes.
    int Append(const std::uint8_t* bytes, std::size_t n);
    std::uint32_t Count() const;
    bool PeekAt(std::uint32_t offset, std::uint8_t& out) const;
    // Copies up to n bytes from the read position; with consume, drops them from the ring.
    std::uint32_t Read(std::uint8_t* out, std::uint32_t n, bool consume);
    std::uint32_t Capacity() const { return capacity_; }

  private:
    // Anonymous mappings: a fresh ring costs no resident memory until bytes arrive, whatever
    // the allocator would do with a 1 MiB block.
    class Storage {
      public:
        Storage() = default;
        explicit Storage(std::size_t size);
        ~Storage();
        Storage(Storage&& other) noexcept;
        Storage& operator=(Storage&& other) noexcept;
        std::uint8_t* get() const { return data_; }
        explicit operator bool() const { return data_ != nullptr; }

      private:
        std::uint8_t* data_ = nullptr;
        std::size_t size_ = 0;
    };
    Storage data_;
    std::uint32_t readIndex_ = 0;
    std::uint32_t writeIndex_ = 0;
    std::uint32_t capacity_ = 0;
    bool full_ = false;
};

}  // namespace tessnet
