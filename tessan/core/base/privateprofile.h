// A read-only INI reader with the semantics of the classic private-profile functions: section and
// key names compared case-insensitively (ASCII), the first matching section and the first matching
// key in it win, names and values trimmed of blanks, one pair of enclosing quotes removed, values
// cut to the caller's buffer size. The file is bytes (GBK); so are names and values.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace tessan {

class PrivateProfile {
  public:
    // A missing or unreadable file reads like an empty one.
    static PrivateProfile Load(const QString& path);
    static PrivateProfile Parse(QByteArrayView contents);

    // The value, or `fallback` when the section or key is missing (a key line without '=' counts
    // as missing); at most bufferSize - 1 bytes of it, as a buffer of bufferSize would hold.
    QByteArray String(QByteArrayView section, QByteArrayView key, QByteArrayView fallback,
                      qsizetype bufferSize) const;

    // The value as an integer, `fallback` when missing or empty. Like the classic reader: an
    // optional sign, then decimal digits (or hex after "0x") up to the first other character;
    // no digits at all gives 0.
    int Int(QByteArrayView section, QByteArrayView key, int fallback) const;

  private:
    struct Entry {
        QByteArray key;
        std::optional<QByteArray> value;
    };
    struct Section {
        QByteArray name;
        std::vector<Entry> entries;
    };

    const std::optional<QByteArray>* Find(QByteArrayView section, QByteArrayView key) const;

    std::vector<Section> sections_;
};

}  // namespace tessan
