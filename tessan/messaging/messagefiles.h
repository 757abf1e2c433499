// Text and voice messages are ordinary files in "<AppDir>/cache", named after their subject; the
// subject is also the name the recipient sees. These helpers decide whether a subject can be such
// a name and write a text message's bytes.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tessan {

// Paths and stored names travel in 260-byte fields: at most 259 bytes of text.
inline constexpr qsizetype kPathFieldText = 259;
inline constexpr qsizetype kSubjectMaxLength = 250;

// "<appDir>/cache/<subject><extension>", or nothing when the subject cannot name a file there:
// empty, "." or "..", containing a separator ('/' or '\\', which the recipient's side refuses in
// stored names), a NUL or another control character, or too long for a file name, the local-path
// field (UTF-8) or the stored-name field (GBK).
std::optional<QString> CacheMessagePath(const QString& appDir, const QString& subject,
                                        QStringView extension);

// Index of the first character of `text` that GBK cannot represent, or -1 when it all can.
qsizetype FirstNonGbkCharacter(const QString& text);

// The bytes of a text message file: GBK, lines separated by CR LF, no header, no terminator.
// Line ends of any form in `body` become CR LF. The text must pass FirstNonGbkCharacter.
QByteArray TextMessageBytes(const QString& body);

// Writes `bytes` to `path`, replacing an existing file; false when it cannot be created.
bool WriteMessageFile(const QString& path, const QByteArray& bytes);

// Writes `body` as the text message "<appDir>/cache/<subject>.txt": its path, or nothing when
// the subject cannot name a file there, the body is not all GBK or the file cannot be created.
std::optional<QString> WriteTextMessage(const QString& appDir, const QString& subject,
                                        const QString& body);

}  // namespace tessan
