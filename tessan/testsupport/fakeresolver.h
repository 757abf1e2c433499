// A resolver for tests: it answers only when the test tells it to, so that a lookup under way, a
// stale answer and an answer after its asker is gone can all be arranged without a network.
#pragma once

#include "core/login/serverlookup.h"

#include <QPointer>

#include <vector>

namespace tessan {

class FakeResolver final : public HostResolver {
  public:
    struct Request {
        QByteArray name;
        QPointer<QObject> context;
        Done done;
    };

    void Resolve(const QByteArray& name, QObject* context, Done done) override {
        requests.push_back({name, context, std::move(done)});
    }
    // Answers request `index` (as the system would, not if its context is gone).
    void Answer(std::size_t index, const QByteArray& address, const QString& error = {}) {
        const Request& r = requests.at(index);
        if (r.context) r.done(LookupResult{address, address.isEmpty() ? error : QString()});
    }
    std::vector<Request> requests;
};

}  // namespace tessan
