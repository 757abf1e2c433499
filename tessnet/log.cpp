#include "log.h"

#include <cstring>
#include <string>

#include "host_link.h"
#include "wire_text.h"

namespace tessnet {

namespace {

void AppendPrintable(std::string& line, std::string_view gbk) {
    for (const char c : GbkToUtf8Lossy(gbk))
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
}

}  // namespace

void Log(std::string_view what, std::string_view account, std::string_view gbkName, int error) {
    std::string line = "tessnet: ";
    line += what;
    if (!account.empty() || !gbkName.empty()) {
        line += " (account ";
        AppendPrintable(line, account);
        if (!gbkName.empty()) {
            line += ", name \"";
            AppendPrintable(line, gbkName);
            line += '"';
        }
        line += ')';
    }
    if (error != 0) {
        char buffer[128];
        line += ": ";
        line += strerror_r(error, buffer, sizeof buffer);
    }
    LogToHost(line);
}

}  // namespace tessnet
