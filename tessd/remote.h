// Asking another tessd whether an account it holds has a given public key, and for the profile
// its friends see, so that friends on other servers can be added with their names. The servers
// are found through a serverlist.ini-style file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "session.h"

namespace tessd {

struct ServerAddress {
    std::string host;
    std::uint16_t port = 8800;
};

// The sections of a server list: prefix (or "default") to address. Names compare without regard
// to letter case; the first section or key of a name wins.
class ServerList {
  public:
    static std::optional<ServerList> Load(const std::filesystem::path& path);
    static ServerList Parse(std::string_view text);
    // The server of an account number: its "country-area" section, else "default".
    std::optional<ServerAddress> Resolve(std::string_view number) const;

  private:
    std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-case names
};

// A lookup that logs in to the account's server with the key and, once it is accepted, asks for
// the account's public profile (request 32 in the sender session). Accounts the list maps to
// `self` are never asked about.
RemoteLookup MakeRemoteLookup(ServerList list, ServerAddress self);

// One login and profile round trip, all within `timeoutMs`.
RemoteAccount AskAccount(const ServerAddress& server, std::string_view number, std::string_view key,
                         int timeoutMs);

}  // namespace tessd
