#include "messaging/sendpage/messagetexts.h"

namespace tessan {
namespace {

const QString kTwelveEmptyLines = QString(12, QLatin1Char('\n'));

QString SignatureLines(const QString& ownName, const QString& ownNumber, const QDateTime& now) {
    const QString tabs(6, QLatin1Char('\t'));
    return kTwelveEmptyLines + tabs + ownName + QStringLiteral("  ") + ownNumber +
           QLatin1Char('\n') + tabs + now.toString(QStringLiteral("yyyy年MM月dd日  HH:mm:ss"));
}

}  // namespace

QString MessageSubject(const QString& ownName) {
    return QStringLiteral("来自：%1的Tessan").arg(ownName);
}

QString GroupTextBody(const QString& ownName) {
    return kTwelveEmptyLines + QString(7, QLatin1Char('\t')) + ownName + QLatin1Char('\n');
}

QString FriendTextBody(const QString& ownName, const QString& ownNumber, const QDateTime& now) {
    return SignatureLines(ownName, ownNumber, now);
}

QString KeyNoticeSubject(const QString& ownName) {
    return QStringLiteral("%1的公钥改变了").arg(ownName);
}

QString KeyChangeNoticeBody(const UserProfile& own, const QDateTime& now) {
    const QString tabs(6, u'\t');
    return own.Name() + u"的公钥已改变，请重新加我为好友!\n"_qs + own.Number() + u'\n' +
           own.PublicKey() + QString(8, u'\n') + tabs + own.Number() + u"   "_qs + own.Name() +
           u'\n' + tabs + now.toString(u"yyyy年MM月dd日  HH:mm:ss"_qs);
}

QString KeyNoticeBody(const QString& ownName, const QString& ownNumber, const QDateTime& now) {
    return QStringLiteral("%1的公钥已改变，请重新加我为好友!").arg(ownName) +
           SignatureLines(ownName, ownNumber, now);
}

}  // namespace tessan
