// The library's own diagnostics: what it refused or failed at without the host asking, one line
// each, to the host's log callback (standard error without one).
#pragma once

#include <string_view>

namespace tessnet {

// `what` is the library's text. `account` and `gbkName` come from the host or the network: GBK
// is shown as UTF-8 and every control character is replaced, so a server cannot write control
// sequences to a terminal or forge lines. `error` is an errno value (0: none). Any thread; never
// calls back into the library.
void Log(std::string_view what, std::string_view account = {}, std::string_view gbkName = {},
         int error = 0);

}  // namespace tessnet
