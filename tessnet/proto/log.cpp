#include "log.h"

#include <cstdio>
#include <string>

namespace tessnet {

void LogRefusal(std::string_view what, std::string_view account, std::string_view name) {
    std::string printable;
    printable.reserve(name.size());
    for (const char c : name) printable += c >= 0x20 && c < 0x7F ? c : '?';
    std::fprintf(stderr, "tessnet: %.*s (account %.*s, name \"%s\")\n",
                 static_cast<int>(what.size()), what.data(), static_cast<int>(account.size()),
                 account.data(), printable.c_str());
}

}  // namespace tessnet
