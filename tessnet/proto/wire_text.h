// Text helpers: fixed-width GBK fields, GBK <-> UTF-8 through iconv (GB18030), and checks on
// file names that arrive from the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessnet {

// The text of a zero-terminated field of `width` bytes; stops at the width when no NUL is found.
std::string_view FieldText(const std::uint8_t* field, std::size_t width);
std::string_view CText(const char* text, std::size_t width);

// Copies at most width - 1 bytes of `text` into a zero-filled field.
void PutField(std::uint8_t* field, std::size_t width, std::string_view text);

// GB18030 is a superset of GBK that never fails to encode; decoding refuses malformed bytes.
std::optional<std::string> GbkToUtf8(std::string_view gbk);
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// For text shown to people: each byte that does not convert becomes `replacement` (without the
// converter the text comes back unchanged).
std::string GbkToUtf8Lossy(std::string_view gbk, std::string_view replacement = "?");
std::string Utf8ToGbkLossy(std::string_view utf8, std::string_view replacement = "?");

// Letter case is ignored for ASCII letters only; the trail byte of a double-byte GBK character
// is compared exactly, since it may fall in the ASCII letter range.
bool GbkEqualNoCase(std::string_view a, std::string_view b);

// A UTF-8 file name that stays inside its folder: not empty, no separator, no "." or "..".
bool IsSafeFileName(std::string_view utf8Name);

// The local (UTF-8) name a file named `gbkName` on the network is written under in a folder: each
// byte that is not GBK becomes '_'; nothing when the name would not stay a file of that folder.
std::optional<std::string> LocalFileName(std::string_view gbkName);

// A file's name in a user's space: "sender@name" in GBK, the sender's account number, '@' and
// the name the file was sent under.
struct StoredName {
    std::string_view sender;
    std::string_view name;

    // Split at the first '@' that is a character of its own (a GBK trail byte may equal '@');
    // nothing without one.
    static std::optional<StoredName> Split(std::string_view stored);
    std::string Joined() const;
};

// The part of `localPath` after its last '/'.
std::string_view BaseName(std::string_view localPath);

}  // namespace tessnet
