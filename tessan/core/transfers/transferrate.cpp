#include "core/transfers/transferrate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessan {

void TransferRate::Notice(std::int64_t nowMs, std::uint16_t percent, std::int64_t fileSize) {
    if (fileSize <= 0 || percent > 100) return;
    const std::int64_t bytes = fileSize * percent / 100;
    total_ = fileSize;
    done_ = bytes;
    // The first notice, or one that went back (the transfer started over): measure afresh.
    if (anchorBytes_ < 0 || bytes < anchorBytes_ || nowMs < anchorMs_) {
        anchorMs_ = nowMs;
        anchorBytes_ = bytes;
        known_ = false;
        rate_ = 0;
        return;
    }
    const std::int64_t span = nowMs - anchorMs_;
    if (span < kMinSpanMs) return;
    const double measured = static_cast<double>(bytes - anchorBytes_) * 1000.0 / span;
    // Each span counts by its length: a long one moves the figure more than a short one.
    rate_ = known_ ? rate_ + (measured - rate_) * (1.0 - std::exp(-span / kSmoothingMs)) : measured;
    known_ = true;
    anchorMs_ = nowMs;
    anchorBytes_ = bytes;
}

std::int64_t TransferRate::SecondsLeft() const {
    if (!Known()) return 0;
    return static_cast<std::int64_t>(std::ceil(static_cast<double>(total_ - done_) / rate_));
}

QString TransferRate::Text() const {
    if (!Known()) return {};
    return RateText(rate_) + QStringLiteral("，剩余 ") + DurationText(SecondsLeft());
}

QString RateText(double bytesPerSecond) {
    if (bytesPerSecond < 1023.5)
        return QString::number(std::llround(std::max(bytesPerSecond, 0.0))) +
               QStringLiteral(" B/s");
    constexpr std::array<const char16_t*, 3> kUnits = {u"KB/s", u"MB/s", u"GB/s"};
    double value = bytesPerSecond / 1024.0;
    std::size_t unit = 0;
    // Rounding decides the unit: 1023.96 KB/s is written "1.0 MB/s".
    while (unit + 1 < kUnits.size() && value >= 1023.95) {
        value /= 1024.0;
        ++unit;
    }
    return QString::number(value, 'f', value < 99.95 ? 1 : 0) + QLatin1Char(' ') +
           QString::fromUtf16(kUnits[unit]);
}

QString DurationText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    if (seconds < 60) return QStringLiteral("%1秒").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1分%2秒")
            .arg(seconds / 60)
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1小时%2分")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

}  // namespace tessan
