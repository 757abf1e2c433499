#include "text.h"

#include "wire_text.h"

namespace tessd {

namespace {

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string Gbk(std::string_view utf8) {
    return tessnet::Utf8ToGbkLossy(utf8);
}

std::string Utf8(std::string_view gbk) {
    return tessnet::GbkToUtf8Lossy(gbk);
}

bool IsAccountNumber(std::string_view number) {
    if (number.empty() || number.size() > 31) return false;
    int groups = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dash = number.find('-', start);
        const std::string_view group = number.substr(start, dash - start);
        if (!AllDigits(group)) return false;
        ++groups;
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    return groups >= 3;
}

bool IsRegistrableNumber(std::string_view number) {
    const std::size_t d1 = number.find('-');
    if (d1 == std::string_view::npos) return false;
    const std::size_t d2 = number.find('-', d1 + 1);
    if (d2 == std::string_view::npos) return false;
    const std::string_view country = number.substr(0, d1);
    const std::string_view area = number.substr(d1 + 1, d2 - d1 - 1);
    const std::string_view personal = number.substr(d2 + 1);
    return AllDigits(country) && country.size() >= 3 && country.size() <= 5 &&
           country.starts_with("00") && AllDigits(area) && area.size() <= 5 && area[0] != '0' &&
           AllDigits(personal) && (personal.size() == 7 || personal.size() == 8);
}

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name.size() > 259 || name == "." || name == "..") return false;
    if (name.find("..") != std::string_view::npos) return false;
    // Walk GBK characters: a trail byte may be 0x5C and is not a backslash. A malformed
    // sequence is refused rather than guessed at.
    auto in = [&](std::size_t i, unsigned lo, unsigned hi) {
        if (i >= name.size()) return false;
        const auto c = static_cast<unsigned char>(name[i]);
        return c >= lo && c <= hi;
    };
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x81 && c <= 0xFE) {
            if (in(i + 1, 0x30, 0x39) && in(i + 2, 0x81, 0xFE) && in(i + 3, 0x30, 0x39)) {
                i += 4;
            } else if (in(i + 1, 0x40, 0xFE) && !in(i + 1, 0x7F, 0x7F)) {
                i += 2;
            } else {
                return false;
            }
            continue;
        }
        if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\') return false;
        ++i;
    }
    return true;
}

}  // namespace tessd
