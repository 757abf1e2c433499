#include "core/records/usertype.h"

namespace tessan {

QString UserTypeLabel(char userType) {
    switch (userType) {
        case kUserTypeBusiness:
            return QStringLiteral("商务用户[100M]");
        case kUserTypeAdvanced:
            return QStringLiteral("高级用户[200M]");
        case kUserTypeGold:
            return QStringLiteral("黄金用户[500M]");
        default:
            return QStringLiteral("免费用户[5M]");
    }
}

std::int64_t QuotaForUserType(char userType) {
    constexpr std::int64_t kMegabyte = 1 << 20;
    switch (userType) {
        case kUserTypeBusiness:
            return 100 * kMegabyte;
        case kUserTypeAdvanced:
            return 200 * kMegabyte;
        case kUserTypeGold:
            return 500 * kMegabyte;
        default:
            return 5 * kMegabyte;
    }
}

}  // namespace tessan
