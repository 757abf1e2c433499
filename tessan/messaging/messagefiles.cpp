#include "messaging/messagefiles.h"

#include "core/base/gbk.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tessan {
namespace {

// Linux refuses longer file names.
constexpr qsizetype kNameMax = 255;

// GB18030 encodes every GBK character in one or two bytes and everything else in four, whose
// second byte is a digit.
bool IsGbk(const QByteArray& gb18030) {
    for (qsizetype i = 0; i < gb18030.size();) {
        const auto lead = static_cast<unsigned char>(gb18030[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 < gb18030.size()) {
            const auto next = static_cast<unsigned char>(gb18030[i + 1]);
            if (next >= 0x30 && next <= 0x39) return false;
        }
        i += 2;
    }
    return true;
}

}  // namespace

std::optional<QString> CacheMessagePath(const QString& appDir, const QString& subject,
                                        QStringView extension) {
    if (subject.isEmpty() || subject == QLatin1String(".") || subject == QLatin1String(".."))
        return std::nullopt;
    for (const QChar c : subject) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7F)
            return std::nullopt;
    }
    const QString name = subject + extension.toString();
    const QString path = appDir + QStringLiteral("/cache/") + name;
    if (QFile::encodeName(name).size() > kNameMax) return std::nullopt;
    if (QFile::encodeName(path).size() > kPathFieldText) return std::nullopt;
    if (QStringToGbk(name).size() > kPathFieldText) return std::nullopt;
    return path;
}

qsizetype FirstNonGbkCharacter(const QString& text) {
    if (IsGbk(QStringToGbk(text))) return -1;
    // Rare: find the character to name it in the message.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!IsGbk(QStringToGbk(text.mid(i, length)))) return i;
        i += length;
    }
    return -1;
}

QByteArray TextMessageBytes(const QString& body) {
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QStringToGbk(text);
}

bool WriteMessageFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(bytes);
    if (!file.commit()) return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

std::optional<QString> WriteTextMessage(const QString& appDir, const QString& subject,
                                        const QString& body) {
    const std::optional<QString> path = CacheMessagePath(appDir, subject, u".txt");
    if (!path || FirstNonGbkCharacter(body) >= 0 ||
        !WriteMessageFile(*path, TextMessageBytes(body)))
        return std::nullopt;
    return path;
}

}  // namespace tessan
