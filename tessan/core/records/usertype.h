// Service tiers: the userType character of a profile, its label and its space quota.
#pragma once

#include <QString>

#include <cstdint>

namespace tessan {

inline constexpr char kUserTypeFree = '0';
inline constexpr char kUserTypeBusiness = '1';
inline constexpr char kUserTypeAdvanced = '2';
inline constexpr char kUserTypeGold = '3';

// "免费用户[5M]", "商务用户[100M]", "高级用户[200M]" or "黄金用户[500M]"; any character other than
// '1' to '3' is the free tier.
QString UserTypeLabel(char userType);

// The account's space quota in bytes: 5, 100, 200 or 500 MB, by the same rule.
std::int64_t QuotaForUserType(char userType);

}  // namespace tessan
