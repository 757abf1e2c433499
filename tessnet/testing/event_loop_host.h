// A small host for the library without Qt: an event loop that runs posted calls on the thread
// that pumps it, and records every notification, message box and log line.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "tessnet/tessnet.h"

namespace tessnet::testing {

struct Note {
    int message = 0;
    int type = 0;
    std::vector<std::uint8_t> record;  // a copy of the record's bytes

    std::uint8_t Kind() const { return record.at(TESS_REPLY_OFF_KIND); }
    std::uint8_t Status() const { return record.at(TESS_REPLY_OFF_STATUS); }
    std::string Account() const;  // of a ReplyRecord, a QueueEmptyRecord or notice 42
    std::uint16_t DataLength() const;
    const std::uint8_t* Data() const { return record.data() + TESS_REPLY_OFF_DATA; }
    std::string DataText(std::size_t offset) const;  // zero-terminated text in `data`
    // ProgressRecord fields.
    std::string ProgressName() const;
    std::string PercentText() const;
    std::uint16_t Percent() const;
    std::uint32_t ProgressFileSize() const;
};

struct Box {
    std::string text;
    std::string caption;
    int icon = 0;
};

class EventLoopHost {
  public:
    EventLoopHost();
    // Runs what is still posted, without recording it.
    ~EventLoopHost();
    EventLoopHost(const EventLoopHost&) = delete;
    EventLoopHost& operator=(const EventLoopHost&) = delete;

    const TessHost* descriptor() const { return &descriptor_; }

    // Back to a fresh state: callbacks and records dropped, calls still posted run (a late call
    // from a stopped library thread is a no-op, but it must run to free itself).
    void Reset();

    // Pumps posted calls on this thread until `done()` holds or `timeout` passes.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits, without running them, until `n` calls are posted and not yet run.
    bool WaitPosted(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool WaitForType(int type, std::size_t count = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The pumping thread only.
    const std::vector<Note>& notes() const { return notes_; }
    std::vector<Note> NotesOfType(int type) const;
    std::size_t CountType(int type) const;
    const std::vector<Box>& boxes() const { return boxes_; }
    void ClearNotes() { notes_.clear(); }
    // Keep only counts for type 254 (long transfers).
    void set_record_progress(bool on) { recordProgress_ = on; }
    std::size_t progress_count() const { return progressCount_; }
    // Progress notices at 100%, recorded or not.
    std::size_t completed_count() const { return completedCount_; }
    // Any thread: the library's log lines so far.
    std::vector<std::string> LogLines();

    // Called inside the notification, after it was recorded; may call exports.
    std::function<void(const Note&)> on_note;
    std::function<void(const Box&)> on_box;

  private:
    static void Post(void* context, void (*fn)(void*), void* arg);
    static void WindowProc(void* context, int message, int type, const void* record);
    static void MessageBox(void* context, const char* text, const char* caption, int icon);
    static void Log(void* context, const char* line);

    TessHost descriptor_{};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::pair<void (*)(void*), void*>> tasks_;
    std::vector<Note> notes_;
    std::vector<Box> boxes_;
    bool recording_ = true;
    bool recordProgress_ = true;
    std::size_t progressCount_ = 0;
    std::size_t completedCount_ = 0;
    std::mutex logMutex_;
    std::vector<std::string> logLines_;
};

}  // namespace tessnet::testing
