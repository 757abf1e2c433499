// The library's own diagnostics about one connection: what it refused or failed at without the
// host asking, one line each, to the host's log callback (standard error without one).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tessnet {

// A server that repeats a fault cannot flood the host's log: of each kind of line only the first
// kShown are written; the others are counted, with one line as the count reaches 10, 100, 1000
// and so on, and one for the rest when the connection closes (Summarize).
class ConnectionLog {
  public:
    static constexpr std::uint64_t kShown = 10;

    explicit ConnectionLog(std::string_view account) : account_(account) {}

    // `what` is the library's text and names the kind of line; `detail`, the library's text too,
    // follows it without making another kind. `gbkName` comes from the host or the network: GBK
    // is shown as UTF-8 and every control character is replaced, so a server cannot write
    // control sequences to a terminal or forge lines. `error` is an errno value (0: none). Any
    // thread; never calls back into the library.
    void Write(std::string_view what, std::string_view gbkName = {}, int error = 0,
               std::string_view detail = {});
    // The lines counted and not reported yet, one per kind.
    void Summarize();

  private:
    struct Kind {
        std::string what;
        std::uint64_t count = 0;
        std::uint64_t reported = 0;  // of the lines not written
    };
    std::string CountLine(const Kind& kind) const;

    const std::string account_;
    std::mutex mutex_;
    std::vector<Kind> kinds_;
};

}  // namespace tessnet
