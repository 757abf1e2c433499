#include "core/login/serverlookup.h"

#include "core/base/diagnostics.h"

#include <QHostAddress>
#include <QHostInfo>

#include <arpa/inet.h>

namespace tessan {

bool IsNumericAddress(const QByteArray& server) {
    // Exactly the forms the library connects to.
    in_addr v4{};
    in6_addr v6{};
    return !server.isEmpty() && (inet_pton(AF_INET, server.constData(), &v4) == 1 ||
                                 inet_pton(AF_INET6, server.constData(), &v6) == 1);
}

QByteArray ChooseAddress(const QList<QHostAddress>& found) {
    const QHostAddress* chosen = nullptr;
    for (const QHostAddress& a : found) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = &a;
            break;
        }
        if (a.protocol() == QAbstractSocket::IPv6Protocol && !chosen && a.scopeId().isEmpty())
            chosen = &a;
    }
    return chosen ? chosen->toString().toLatin1() : QByteArray();
}

QString LookupFailureText(const QByteArray& server, const QString& reason) {
    return QStringLiteral("找不到服务器%1(%2)").arg(QString::fromLatin1(server), reason);
}

void SystemResolver::Resolve(const QByteArray& name, QObject* context, Done done) {
    QHostInfo::lookupHost(
        QString::fromLatin1(name), context, [done = std::move(done)](const QHostInfo& info) {
            LookupResult result;
            if (info.error() == QHostInfo::NoError)
                result.address = ChooseAddress(info.addresses());
            if (!result.Found())
                result.error = info.error() == QHostInfo::NoError ? QStringLiteral("没有可用的地址")
                                                                  : info.errorString();
            done(result);
        });
}

ServerLookup::ServerLookup(HostResolver& resolver, QObject* parent)
    : QObject(parent), resolver_(resolver) {}

bool ServerLookup::Find(const QByteArray& server, Done done) {
    Cancel();
    if (server.isEmpty() || IsNumericAddress(server)) {
        done(LookupResult{server, {}});
        return false;
    }
    const std::uint64_t ticket = ++ticket_;
    pending_ = true;
    resolver_.Resolve(
        server, this, [this, ticket, server, done = std::move(done)](const LookupResult& found) {
            if (ticket != ticket_) {
                qCInfo(lcLogin) << "a given-up lookup of" << server << "answered";
                return;
            }
            pending_ = false;
            if (!found.Found())
                qCWarning(lcLogin) << "server" << server << "not found:" << found.error;
            done(found);
        });
    return true;
}

void ServerLookup::Cancel() {
    if (pending_) ++ticket_;
    pending_ = false;
}

}  // namespace tessan
