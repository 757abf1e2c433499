// How fast a running transfer goes and how long it still takes, from the library's progress
// notices alone. A notice carries the whole file's size and the whole percent done, and comes only
// when that percent changes, so the bytes done are taken as percent × size. The rate is measured
// over spans of at least a second (many quick notices make one span, a slow one makes its own)
// and smoothed over several seconds, so the figure does not jump from notice to notice. Until the
// first span is measured nothing is known: a short transfer never shows a figure.
#pragma once

#include <QString>

#include <cstdint>

namespace tessan {

class TransferRate {
  public:
    static constexpr std::int64_t kMinSpanMs = 1000;
    static constexpr double kSmoothingMs = 5000;

    // A progress notice at `nowMs` of a steady clock.
    void Notice(std::int64_t nowMs, std::uint16_t percent, std::int64_t fileSize);

    bool Known() const { return known_ && rate_ > 0; }
    // Meaningful only when Known().
    double BytesPerSecond() const { return rate_; }
    // The rest of the file at the current rate, in whole seconds rounded up.
    std::int64_t SecondsLeft() const;
    // "1.5 MB/s，剩余 2分05秒"; empty while nothing is known.
    QString Text() const;

  private:
    std::int64_t anchorMs_ = 0;
    std::int64_t anchorBytes_ = -1;  // -1: no notice yet
    std::int64_t done_ = 0;
    std::int64_t total_ = 0;
    double rate_ = 0;  // bytes per second
    bool known_ = false;
};

// "512 B/s", "12.5 KB/s", "1.5 MB/s", "812 MB/s": 1024-based, one decimal below 100.
QString RateText(double bytesPerSecond);
// "45秒", "2分05秒", "1小时05分".
QString DurationText(std::int64_t seconds);

}  // namespace tessan
