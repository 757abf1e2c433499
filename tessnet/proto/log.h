// The library's own diagnostics: what it refused from a server. One line on standard error.
#pragma once

#include <string_view>

namespace tessnet {

// `what` is the library's text; `name` comes from the network and is printed with every byte
// outside printable ASCII replaced, so a server cannot write control sequences to a terminal.
void LogRefusal(std::string_view what, std::string_view account, std::string_view name);

}  // namespace tessnet
