// Whom a file or message goes to: the friend's account number, display name and public key, as
// GBK bytes straight from the friend's profile or the received-files entry.
#pragma once

#include <QByteArray>

#include <functional>

class QString;

namespace tessan {

struct Recipient {
    QByteArray number;
    QByteArray name;
    QByteArray publicKey;
};

// Sends one file to one recipient at once, even while other uploads run; true when the connection
// to the recipient's server was opened (the dialogs then close).
using SendImmediatelyFn =
    std::function<bool(const Recipient& to, const QString& localPath, const QString& remoteName)>;

}  // namespace tessan
