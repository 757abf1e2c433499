// The texts the send page puts into messages: the default subject, the bodies with the sender's
// signature under twelve empty lines, and the notice that the own public key changed. Lines are
// separated by "\n" here; the message file gets CR LF when it is written.
#pragma once

#include "core/records/userprofile.h"

#include <QDateTime>
#include <QString>

namespace tessan {

// "来自：<name>的Tessan"
QString MessageSubject(const QString& ownName);
// The group text's body: the signature with the own name alone.
QString GroupTextBody(const QString& ownName);
// A text to one friend: the signature with name, number and the time it was started.
QString FriendTextBody(const QString& ownName, const QString& ownNumber, const QDateTime& now);
// "<name>的公钥改变了"
QString KeyNoticeSubject(const QString& ownName);
QString KeyNoticeBody(const QString& ownName, const QString& ownNumber, const QDateTime& now);
// The notice to every friend after the own keys were saved: the request to add this user again
// with the new public key, and a signature.
QString KeyChangeNoticeBody(const UserProfile& own, const QDateTime& now);

}  // namespace tessan
