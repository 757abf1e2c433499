#include "account/settings/logdocument.h"

#include "core/base/gbk.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace tessan {

namespace {

// Bytes [from, to) of an open file, clamped to what it holds.
QByteArray ReadRange(QFile& file, qint64 from, qint64 to) {
    to = std::min(to, file.size());
    if (from >= to || !file.seek(from)) return {};
    return file.read(to - from);
}

}  // namespace

bool LogDocument::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Nothing of the file is shown: a later save puts its text before whatever the file holds.
        path_ = path;
        shownFrom_ = shownTo_ = 0;
        SetShown({});
        return false;
    }
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - kShownBytes);
    const QByteArray shown = ReadRange(file, from, size);
    path_ = path;
    shownFrom_ = from;
    shownTo_ = from + shown.size();
    SetShown(shown);
    return true;
}

void LogDocument::SetShown(const QByteArray& shown) {
    lines_.clear();
    // '\n' never occurs inside a GBK character, so splitting at it keeps every character whole.
    qsizetype start = 0;
    bool sawLf = false;
    bool sawCrLf = false;
    while (true) {
        const qsizetype lf = shown.indexOf('\n', start);
        if (lf < 0) {
            lines_.push_back({shown.mid(start), {}, {}});
            break;
        }
        const bool cr = lf > start && shown[lf - 1] == '\r';
        (cr ? sawCrLf : sawLf) = true;
        const qsizetype end = cr ? lf - 1 : lf;
        lines_.push_back({shown.mid(start, end - start), cr ? "\r\n" : "\n", {}});
        start = lf + 1;
    }
    if (sawLf && !sawCrLf) lineEnd_ = "\n";
    QStringList texts;
    for (Line& line : lines_) {
        line.text = GbkToQString(line.bytes);
        texts << line.text;
    }
    text_ = texts.join(u'\n');
}

QByteArray LogDocument::Encode(const QString& edited) const {
    const QStringList now = edited.split(u'\n');
    const auto count = static_cast<qsizetype>(lines_.size());
    // Lines equal at the start and at the end keep their bytes; those between are the edit.
    qsizetype same = 0;
    while (same < count && same < now.size() && lines_[same].text == now[same]) ++same;
    qsizetype sameEnd = 0;
    while (sameEnd < count - same && sameEnd < now.size() - same &&
           lines_[count - 1 - sameEnd].text == now[now.size() - 1 - sameEnd])
        ++sameEnd;

    QByteArray out;
    const auto append = [&](const QByteArray& bytes, const QByteArray& ending, qsizetype index) {
        out += bytes;
        const bool last = index == now.size() - 1;
        if (!last) out += ending.isEmpty() ? lineEnd_ : ending;
    };
    for (qsizetype i = 0; i < same; ++i) append(lines_[i].bytes, lines_[i].ending, i);
    for (qsizetype i = same; i < now.size() - sameEnd; ++i)
        append(QStringToGbk(now[i]), lineEnd_, i);
    for (qsizetype k = sameEnd; k > 0; --k) {
        const Line& line = lines_[count - k];
        append(line.bytes, line.ending, now.size() - k);
    }
    return out;
}

bool LogDocument::Save(const QString& path, const QString& edited) {
    if (path != path_) {
        path_ = path;
        shownFrom_ = shownTo_ = 0;
        SetShown({});
    }
    const QByteArray body = Encode(edited);

    QByteArray head;
    QByteArray tail;
    {
        QFile current(path);
        if (current.open(QIODevice::ReadOnly)) {
            head = ReadRange(current, 0, shownFrom_);
            // What a transfer appended after the shown part was read.
            tail = ReadRange(current, shownTo_, current.size());
        } else if (current.exists()) {
            return false;  // unreadable: replacing it would lose what it holds
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(head);
    file.write(body);
    file.write(tail);
    if (!file.commit()) return false;

    shownFrom_ = head.size();
    shownTo_ = shownFrom_ + body.size();
    SetShown(body);
    return true;
}

}  // namespace tessan
