#include "account/fieldinput.h"

#include "core/base/gbk.h"

#include <algorithm>

namespace tessan {

namespace {

// Length of a character starting at `i` in QChar units (2 for a surrogate pair).
qsizetype CharLength(const QString& text, qsizetype i) {
    return (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                              : 1;
}

qsizetype GbkSize(QStringView text) {
    return QStringToGbk(text.toString()).size();
}

}  // namespace

QString FitGbk(const QString& text, qsizetype maxBytes) {
    if (GbkSize(text) <= maxBytes) return text;
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype length = CharLength(text, i);
        const qsizetype bytes = GbkSize(QStringView(text).mid(i, length));
        if (used + bytes > maxBytes) break;
        used += bytes;
        i += length;
    }
    return text.left(i);
}

FittedEdit FitGbkEdit(const QString& before, const QString& after, qsizetype maxBytes) {
    if (GbkSize(after) <= maxBytes) return {after, after.size(), false};
    // The change replaced before[prefix, before.size() - suffix) by after[prefix, ...).
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    // Never start or end the kept parts inside a surrogate pair.
    if (prefix > 0 && after[prefix - 1].isHighSurrogate()) --prefix;
    if (suffix > 0 && after[after.size() - suffix].isLowSurrogate()) --suffix;
    const QString head = after.left(prefix);
    const QString tail = after.right(suffix);
    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    const qsizetype room = maxBytes - GbkSize(head) - GbkSize(tail);
    if (room < 0) {
        // The text around the change alone does not fit (it came from elsewhere): cut the whole.
        const QString whole = FitGbk(after, maxBytes);
        return {whole, whole.size(), true};
    }
    const QString kept = FitGbk(inserted, room);
    return {head + kept + tail, head.size() + kept.size(), true};
}

QString TrimToDigitOrDash(const QString& text) {
    qsizetype end = text.size();
    while (end > 0) {
        const QChar last = text[end - 1];
        if ((last >= u'0' && last <= u'9') || last == u'-') break;
        --end;
    }
    return text.left(end);
}

QString TrimTrailingSpaces(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    return text.left(end);
}

}  // namespace tessan
