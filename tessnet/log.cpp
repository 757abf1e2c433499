#include "log.h"

#include <algorithm>
#include <cstring>

#include "host_link.h"
#include "wire_text.h"

namespace tessnet {

namespace {

void AppendPrintable(std::string& line, std::string_view gbk) {
    for (const char c : GbkToUtf8Lossy(gbk))
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
}

void AppendWho(std::string& line, std::string_view account, std::string_view gbkName) {
    if (account.empty() && gbkName.empty()) return;
    line += " (account ";
    AppendPrintable(line, account);
    if (!gbkName.empty()) {
        line += ", name \"";
        AppendPrintable(line, gbkName);
        line += '"';
    }
    line += ')';
}

bool PowerOfTen(std::uint64_t n) {
    if (n < 10) return false;
    while (n % 10 == 0) n /= 10;
    return n == 1;
}

}  // namespace

void ConnectionLog::Write(std::string_view what, std::string_view gbkName, int error,
                          std::string_view detail) {
    std::uint64_t count = 0;
    std::string counted;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(kinds_.begin(), kinds_.end(),
                               [&](const Kind& kind) { return kind.what == what; });
        if (it == kinds_.end()) it = kinds_.insert(kinds_.end(), Kind{std::string(what)});
        count = ++it->count;
        if (count > kShown) {
            if (!PowerOfTen(count - kShown)) return;
            it->reported = count - kShown;
            counted = CountLine(*it);
        }
    }
    if (!counted.empty()) {
        LogToHost(counted);
        return;
    }
    std::string line = "tessnet: ";
    line += what;
    line += detail;
    AppendWho(line, account_, gbkName);
    if (error != 0) {
        char buffer[128];
        line += ": ";
        line += strerror_r(error, buffer, sizeof buffer);
    }
    if (count == kShown) line += " (more of this kind on this connection are only counted)";
    LogToHost(line);
}

void ConnectionLog::Summarize() {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(mutex_);
        for (Kind& kind : kinds_) {
            if (kind.count <= kShown || kind.count - kShown == kind.reported) continue;
            kind.reported = kind.count - kShown;
            lines.push_back(CountLine(kind));
        }
    }
    for (const auto& line : lines) LogToHost(line);
}

std::string ConnectionLog::CountLine(const Kind& kind) const {
    std::string line = "tessnet: " + kind.what;
    AppendWho(line, account_, {});
    return line + ": " + std::to_string(kind.reported) + " more not written";
}

}  // namespace tessnet
