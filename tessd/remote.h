// Asking another tessd whether an account it holds has a given public key, so that friends on
// other servers can be added. The servers are found through a serverlist.ini-style file.
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

// A check that logs in to the account's server with the key and accepts on status 1. Accounts
// the list maps to `self` are never asked about.
RemoteKeyCheck MakeRemoteKeyCheck(ServerList list, ServerAddress self);

// One login round trip; nullopt when the server cannot be reached or does not answer in time.
std::optional<bool> LoginAccepted(const ServerAddress& server, std::string_view number,
                                  std::string_view key, int timeoutMs);

}  // namespace tessd
