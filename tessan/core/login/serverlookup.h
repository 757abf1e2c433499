// The address to connect to for a server as serverlist.ini names it, found without holding up the
// window: a numeric IPv4 or IPv6 address is taken as it is, a host name goes to the system's
// resolver in the background. Every connection to a server of the list (login, registration,
// recharge, sending to a friend) is opened with the address found here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QHostAddress;

namespace tessan {

// What a lookup found: a numeric address to connect to, or why there is none.
struct LookupResult {
    QByteArray address;  // empty when the name was not found
    QString error;       // the resolver's reason, when `address` is empty

    bool Found() const { return !address.isEmpty(); }
};

// True for a dotted IPv4 or an IPv6 address: connected to without a lookup.
bool IsNumericAddress(const QByteArray& server);
// The first IPv4 address of `found`, else its first IPv6 address; empty when it holds neither.
QByteArray ChooseAddress(const QList<QHostAddress>& found);
// How every caller names a failed lookup: "找不到服务器<name>(<reason>)".
QString LookupFailureText(const QByteArray& server, const QString& reason);

// The system's resolver as the lookups see it; tests put one in its place that answers when told.
class HostResolver {
  public:
    using Done = std::function<void(const LookupResult&)>;
    virtual ~HostResolver() = default;
    // Starts looking up `name`. `done` runs later on this thread, never inside this call, and
    // never once `context` is gone.
    virtual void Resolve(const QByteArray& name, QObject* context, Done done) = 0;
};

// QHostInfo: the lookups run on Qt's own threads.
class SystemResolver final : public HostResolver {
  public:
    void Resolve(const QByteArray& name, QObject* context, Done done) override;
};

// One caller's lookup: a new Find or Cancel makes the answer to an earlier one stale. A stale
// answer, and any answer once this object is gone, is never delivered.
class ServerLookup final : public QObject {
    Q_OBJECT
  public:
    using Done = HostResolver::Done;

    // The resolver must outlive the lookup.
    explicit ServerLookup(HostResolver& resolver, QObject* parent = nullptr);

    // A numeric (or empty) server: `done` runs inside this call and Find returns false. A host
    // name: `done` runs when the resolver answers, unless the lookup is given up first; Find
    // returns true.
    bool Find(const QByteArray& server, Done done);
    // Gives up the lookup under way, if any: its answer will not be delivered.
    void Cancel();
    bool Pending() const { return pending_; }

  private:
    HostResolver& resolver_;
    std::uint64_t ticket_ = 0;
    bool pending_ = false;
};

}  // namespace tessan
