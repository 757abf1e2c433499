// Text conversion between the server's UTF-8 (source, logs, terminal) and the wire's GBK, and
// the checks applied to numbers and names that arrive from clients.
#pragma once

#include <string>
#include <string_view>

namespace tessd {

// UTF-8 to GBK (encoded as GB18030, which carries every character).
std::string Gbk(std::string_view utf8);
// GBK (as GB18030) to UTF-8 for logs and the terminal; undecodable bytes become '?'.
std::string Utf8(std::string_view gbk);

// An account number: digits in at least three dash-separated groups, no group empty, at most
// 31 characters.
bool IsAccountNumber(std::string_view number);
// A number a new account may take: country code "00" plus 1 to 3 digits, area code of 1 to 5
// digits not starting with 0, personal number of 7 or 8 digits.
bool IsRegistrableNumber(std::string_view number);
// A plain file name that cannot choose a path: not empty, no '/', '\\', control character or
// "..", not "." and at most 259 bytes.
bool IsSafeFileName(std::string_view name);

}  // namespace tessd
