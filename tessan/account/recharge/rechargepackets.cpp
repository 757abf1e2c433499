#include "account/recharge/rechargepackets.h"

namespace tessan {

namespace {
template <std::size_t N>
QByteArray AsPayload(const std::array<std::uint8_t, N>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
}
}  // namespace

QByteArray RechargeQuery::Payload() const {
    return AsPayload(Bytes());
}

QByteArray RechargeRequest::Payload() const {
    return AsPayload(Bytes());
}

}  // namespace tessan
