// LogDocument: what a log page shows of a transfer log and how an edited view goes back into the
// file. The page shows at most the last 64 KiB. Saving replaces only that shown part: the unseen
// beginning and whatever a transfer appended since the page read the file stay as they are, lines
// the user did not change keep their exact bytes (even where they are not valid GBK), and the file
// is replaced in one step (a temporary file renamed over it), so a failed save leaves it untouched.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace tessan {

class LogDocument {
  public:
    static constexpr qint64 kShownBytes = 65536;

    // Reads the file's last kShownBytes. False when it cannot be opened; the document then shows
    // nothing of it.
    bool Load(const QString& path);
    // The shown text: lines separated by '\n', undecodable bytes as U+FFFD.
    const QString& Text() const { return text_; }

    // Writes `edited` in place of the shown part of `path`, creating the file when it is missing.
    // A document that never read `path` shows none of it, so the text goes before its content.
    // Afterwards the document shows `edited`. False when the file could not be written.
    bool Save(const QString& path, const QString& edited);

  private:
    struct Line {
        QByteArray bytes;   // without its line end
        QByteArray ending;  // "\r\n", "\n", or nothing for the last line
        QString text;
    };
    void SetShown(const QByteArray& shown);
    QByteArray Encode(const QString& edited) const;

    QString path_;
    qint64 shownFrom_ = 0;  // file offset of the shown part
    qint64 shownTo_ = 0;    // end of the shown part when it was read or written
    std::vector<Line> lines_;
    QByteArray lineEnd_ = "\r\n";  // for new lines: the file's own, CR LF when it has none
    QString text_;
};

}  // namespace tessan
