#include "wire_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace tessnet {

std::string_view FieldText(const std::uint8_t* field, std::size_t width) {
    const void* nul = std::memchr(field, 0, width);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - field) : width;
    return {reinterpret_cast<const char*>(field), length};
}

std::string_view CText(const char* text, std::size_t width) {
    if (!text) return {};
    return FieldText(reinterpret_cast<const std::uint8_t*>(text), width);
}

void PutField(std::uint8_t* field, std::size_t width, std::string_view text) {
    const std::size_t n = text.size() < width ? text.size() : width - 1;
    if (n > 0) std::memcpy(field, text.data(), n);
    field[n] = 0;
}

namespace {

class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // With a replacement, a byte that does not convert becomes it and the conversion goes on.
    std::optional<std::string> Convert(std::string_view in,
                                       std::optional<std::string_view> replacement = {}) {
        if (!ok()) return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a failed call may leave a shift state
        std::string out(in.size() * 4 + 8, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
                if (errno != E2BIG && !replacement) return std::nullopt;
                if (errno != E2BIG && dstLeft >= replacement->size()) {
                    std::memcpy(dst, replacement->data(), replacement->size());
                    dst += replacement->size();
                    dstLeft -= replacement->size();
                    ++src;
                    --srcLeft;
                    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
                    continue;
                }
                const std::size_t used = out.size() - dstLeft;
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = out.size() - used;
            }
        }
        out.resize(out.size() - dstLeft);
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

// Opening a converter costs far more than a file name's conversion: one per thread and direction.
std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    thread_local Iconv converter("UTF-8", "GB18030");
    return converter.Convert(gbk);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    thread_local Iconv converter("GB18030", "UTF-8");
    return converter.Convert(utf8);
}

std::string GbkToUtf8Lossy(std::string_view gbk, std::string_view replacement) {
    thread_local Iconv converter("UTF-8", "GB18030");
    return converter.Convert(gbk, replacement).value_or(std::string(gbk));
}

std::string Utf8ToGbkLossy(std::string_view utf8, std::string_view replacement) {
    thread_local Iconv converter("GB18030", "UTF-8");
    return converter.Convert(utf8, replacement).value_or(std::string(utf8));
}

bool GbkEqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x81 && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (lower(ca) != lower(cb)) return false;
    }
    return true;
}

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::optional<std::string> LocalFileName(std::string_view gbkName) {
    // A name the sender's client wrote in another encoding still names its file.
    auto local = GbkToUtf8(gbkName);
    if (!local) local = GbkToUtf8Lossy(gbkName, "_");
    if (!IsSafeFileName(*local)) return std::nullopt;
    return local;
}

std::optional<StoredName> StoredName::Split(std::string_view stored) {
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto c = static_cast<unsigned char>(stored[i]);
        if (c == '@') return StoredName{stored.substr(0, i), stored.substr(i + 1)};
        if (c >= 0x81 && c <= 0xFE) ++i;  // the trail byte of a double-byte character
    }
    return std::nullopt;
}

std::string StoredName::Joined() const {
    std::string joined(sender);
    joined += '@';
    joined += name;
    return joined;
}

std::string_view BaseName(std::string_view localPath) {
    const std::size_t slash = localPath.rfind('/');
    return slash == std::string_view::npos ? localPath : localPath.substr(slash + 1);
}

}  // namespace tessnet
