#include "event_loop_host.h"

#include <cstring>

#include "packet.h"
#include "wire_text.h"

namespace tessnet::testing {

std::string Note::Account() const {
    if (type == TESS_NOTE_DISCONNECTED || type == TESS_NOTE_QUEUE_EMPTY)
        return std::string(FieldText(record.data(), std::min<std::size_t>(record.size(), 32)));
    return std::string(FieldText(record.data() + TESS_REPLY_OFF_ACCOUNT, TESS_ACCOUNT_SIZE));
}

std::uint16_t Note::DataLength() const {
    return GetU16(record.data() + TESS_REPLY_OFF_DATA_LENGTH);
}

std::string Note::DataText(std::size_t offset) const {
    return std::string(FieldText(Data() + offset, TESS_REPLY_DATA_MAX - offset));
}

std::string Note::ProgressName() const {
    return std::string(FieldText(record.data() + TESS_PROGRESS_OFF_FILE_NAME, TESS_NAME_SIZE));
}

std::string Note::PercentText() const {
    return std::string(FieldText(record.data() + TESS_PROGRESS_OFF_PERCENT_TEXT, 32));
}

std::uint16_t Note::Percent() const {
    return GetU16(record.data() + TESS_PROGRESS_OFF_PERCENT);
}

std::uint32_t Note::ProgressFileSize() const {
    return GetU32(record.data() + TESS_PROGRESS_OFF_FILE_SIZE);
}

EventLoopHost::EventLoopHost() {
    descriptor_.context = this;
    descriptor_.post = &Post;
    descriptor_.window_proc = &WindowProc;
    descriptor_.message_box = &MessageBox;
    descriptor_.log = &Log;
}

EventLoopHost::~EventLoopHost() {
    recording_ = false;
    std::unique_lock lock(mutex_);
    while (!tasks_.empty()) {
        const auto task = tasks_.front();
        tasks_.pop_front();
        lock.unlock();
        task.first(task.second);
        lock.lock();
    }
}

void EventLoopHost::Reset() {
    on_note = nullptr;
    on_box = nullptr;
    recording_ = false;
    RunUntil([this] {
        std::lock_guard lock(mutex_);
        return tasks_.empty();
    });
    recording_ = true;
    notes_.clear();
    boxes_.clear();
    recordProgress_ = true;
    progressCount_ = 0;
    completedCount_ = 0;
    std::lock_guard lock(logMutex_);
    logLines_.clear();
}

void EventLoopHost::Post(void* context, void (*fn)(void*), void* arg) {
    auto* self = static_cast<EventLoopHost*>(context);
    {
        std::lock_guard lock(self->mutex_);
        self->tasks_.emplace_back(fn, arg);
    }
    self->cv_.notify_all();
}

void EventLoopHost::WindowProc(void* context, int message, int type, const void* record) {
    auto* self = static_cast<EventLoopHost*>(context);
    if (!self->recording_) return;
    if (type == TESS_NOTE_PROGRESS &&
        GetU16(static_cast<const std::uint8_t*>(record) + TESS_PROGRESS_OFF_PERCENT) == 100)
        ++self->completedCount_;
    if (type == TESS_NOTE_PROGRESS && !self->recordProgress_) {
        ++self->progressCount_;
        return;
    }
    Note note;
    note.message = message;
    note.type = type;
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    std::size_t size = TESS_REPLY_SIZE;
    if (type == TESS_NOTE_PROGRESS) size = TESS_PROGRESS_SIZE;
    if (type == TESS_NOTE_QUEUE_EMPTY) size = TESS_QUEUE_EMPTY_SIZE;
    if (type == TESS_NOTE_DISCONNECTED) size = std::strlen(static_cast<const char*>(record)) + 1;
    note.record.assign(bytes, bytes + size);
    if (type == TESS_NOTE_PROGRESS) ++self->progressCount_;
    self->notes_.push_back(note);
    if (self->on_note) self->on_note(note);
}

void EventLoopHost::MessageBox(void* context, const char* text, const char* caption, int icon) {
    auto* self = static_cast<EventLoopHost*>(context);
    if (!self->recording_) return;
    self->boxes_.push_back(Box{text, caption, icon});
    if (self->on_box) self->on_box(self->boxes_.back());
}

void EventLoopHost::Log(void* context, const char* line) {
    auto* self = static_cast<EventLoopHost*>(context);
    std::lock_guard lock(self->logMutex_);
    self->logLines_.emplace_back(line);
}

std::vector<std::string> EventLoopHost::LogLines() {
    std::lock_guard lock(logMutex_);
    return logLines_;
}

bool EventLoopHost::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        std::unique_lock lock(mutex_);
        if (tasks_.empty()) {
            // Conditions may also change on other threads (the fake server): look again soon.
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) return done();
            cv_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(2)),
                           [this] { return !tasks_.empty(); });
            if (tasks_.empty()) continue;
        }
        const auto task = tasks_.front();
        tasks_.pop_front();
        lock.unlock();
        task.first(task.second);
    }
}

bool EventLoopHost::WaitPosted(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return tasks_.size() >= n; });
}

bool EventLoopHost::WaitForType(int type, std::size_t count, std::chrono::milliseconds timeout) {
    return RunUntil([&] { return CountType(type) >= count; }, timeout);
}

std::vector<Note> EventLoopHost::NotesOfType(int type) const {
    std::vector<Note> out;
    for (const auto& note : notes_)
        if (note.type == type) out.push_back(note);
    return out;
}

std::size_t EventLoopHost::CountType(int type) const {
    if (type == TESS_NOTE_PROGRESS) return progressCount_;
    std::size_t n = 0;
    for (const auto& note : notes_) n += note.type == type;
    return n;
}

}  // namespace tessnet::testing
