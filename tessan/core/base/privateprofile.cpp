#include "core/base/privateprofile.h"

#include <QFile>

#include <cstdint>

namespace tessan {
namespace {

bool SameName(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray StripQuotes(QByteArray value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

}  // namespace

PrivateProfile PrivateProfile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return Parse(file.readAll());
}

PrivateProfile PrivateProfile::Parse(QByteArrayView contents) {
    PrivateProfile profile;
    if (contents.startsWith("\xEF\xBB\xBF")) contents = contents.sliced(3);
    Section* current = nullptr;  // lines before the first section header belong to none
    const QList<QByteArray> lines = contents.toByteArray().split('\n');
    for (const QByteArray& rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            if (close < 0) continue;
            profile.sections_.push_back({line.sliced(1, close - 1).trimmed(), {}});
            current = &profile.sections_.back();
            continue;
        }
        if (!current) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) {
            current->entries.push_back({line, std::nullopt});
        } else {
            current->entries.push_back(
                {line.first(equals).trimmed(), StripQuotes(line.sliced(equals + 1).trimmed())});
        }
    }
    return profile;
}

const std::optional<QByteArray>* PrivateProfile::Find(QByteArrayView section,
                                                      QByteArrayView key) const {
    for (const Section& s : sections_) {
        if (!SameName(s.name, section)) continue;
        for (const Entry& e : s.entries)
            if (SameName(e.key, key)) return &e.value;
        return nullptr;  // only the first section of that name counts
    }
    return nullptr;
}

QByteArray PrivateProfile::String(QByteArrayView section, QByteArrayView key,
                                  QByteArrayView fallback, qsizetype bufferSize) const {
    const std::optional<QByteArray>* found = Find(section, key);
    const QByteArrayView value = (found && *found) ? QByteArrayView(**found) : fallback;
    if (bufferSize <= 0) return {};
    return value.first(std::min(value.size(), bufferSize - 1)).toByteArray();
}

int PrivateProfile::Int(QByteArrayView section, QByteArrayView key, int fallback) const {
    const std::optional<QByteArray>* found = Find(section, key);
    if (!found || !*found || (*found)->isEmpty()) return fallback;
    QByteArrayView text(**found);
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text = text.sliced(2);
    }
    std::uint32_t value = 0;  // wraps like the classic 32-bit reader
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

}  // namespace tessan
