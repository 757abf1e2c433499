// One client connection's requests: login state, the owner's account and address book, the
// uploads announced on this connection and the downloads it asks for.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "fd.h"
#include "framing.h"
#include "records.h"
#include "store.h"

namespace tessd {

// Behaviour a developer or test switches on to exercise rare server messages.
struct ServerHooks {
    std::optional<std::string> upgradeNotice;    // refuse every login with "-1025" and this text
    std::optional<std::string> paymentReminder;  // sent as 35 after each owner login
    std::optional<std::string> notice;           // sent as 39 after each owner login
    std::optional<std::string> serverData;       // sent as 29 after each owner login
};

// What the server that holds an account said about it.
struct RemoteAccount {
    enum class Answer { KeyAccepted, KeyRefused, NoAnswer };
    Answer answer = Answer::NoAnswer;
    std::optional<UserProfile> profile;  // its public profile, when the key was accepted
};

// Asks the server that holds an account whether `key` is its public key, and for its public
// profile. Empty when this server knows no other servers.
using RemoteLookup = std::function<RemoteAccount(std::string_view number, std::string_view key)>;

// Upload answer reasons (command 9), as the client library names them.
inline constexpr auto kUploadGo = static_cast<std::uint8_t>(tessnet::UploadReason::GoAhead);
inline constexpr auto kUploadOverQuota =
    static_cast<std::uint8_t>(tessnet::UploadReason::OverQuota);
inline constexpr auto kUploadRefused = static_cast<std::uint8_t>(tessnet::UploadReason::Refused);
inline constexpr auto kUploadExists = static_cast<std::uint8_t>(tessnet::UploadReason::Exists);
inline constexpr auto kUploadReceived = static_cast<std::uint8_t>(tessnet::UploadReason::Complete);
inline constexpr auto kUploadBroken = static_cast<std::uint8_t>(tessnet::UploadReason::Broken);

class Session {
  public:
    // Sends one packet; false when the connection failed.
    using Sink = std::function<bool(std::uint8_t command, const Bytes& payload,
                                    std::uint32_t pieceCount, std::uint32_t pieceNumber)>;

    Session(Store& store, const ServerHooks& hooks, RemoteLookup remoteLookup, Sink sink,
            std::string peer);

    // Handles one request; false when the connection is to be closed afterwards.
    bool Handle(const Packet& packet);

    enum class Role { None, Owner, Sender };
    Role role() const { return role_; }

  private:
    struct PendingUpload {
        std::string sender;
        std::uint32_t size = 0;
    };
    struct ActiveUpload {
        std::string fileName;
        std::string sender;
        std::uint32_t size = 0;
        std::uint32_t chunkCount = 0;
        std::uint32_t nextChunk = 1;
        std::uint32_t written = 0;
        TempFile file;
    };

    bool Send(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount = 1,
              std::uint32_t pieceNumber = 1);
    // Sends fixed-size records in as few packets as fit.
    bool SendRecords(std::uint8_t command, const Bytes& records, std::size_t recordSize);
    // Streams a file as chunks; false when sending failed.
    bool SendChunks(std::uint8_t command, int fd, const std::string& fileName, std::uint32_t size,
                    const std::string& sender);
    bool RequireOwner();

    bool Login(const Bytes& b);
    bool Register(const Bytes& b);
    bool List();
    bool Download(const Bytes& b);
    bool Announce(const Bytes& b);
    bool Chunk(const Bytes& b);
    bool Delete(const Bytes& b);
    bool AddFriend(const Bytes& b);
    bool DelFriend(const Bytes& b);
    bool ModifyFriend(const Bytes& b);
    bool ModifyUser(const Bytes& b);
    bool PublicProfile();
    bool CardQuery(const Bytes& b);
    bool Recharge(const Bytes& b);
    bool ConfigFile(const Bytes& b);

    enum class KeyCheck { Valid, Wrong, Unknown };
    // Whether `key` is the public key of `number`, asking the account's own server when the
    // account is held elsewhere; that server's answer also brings the profile friends see.
    KeyCheck CheckFriendKey(const std::string& number, const std::string& key);
    bool SendAddressBook();
    Bytes AddressBookEntry(const FriendEntry& entry);
    bool StartUpload(const ChunkHead& head);
    bool FailUpload(std::uint8_t reason, std::string_view gbkText);
    bool FinishUpload();
    // Space left for a file of `size` bytes stored as `storedName`; false when over the quota.
    bool FitsQuota(std::string_view storedName, std::uint64_t size);

    Store& store_;
    const ServerHooks& hooks_;
    RemoteLookup remoteLookup_;
    Sink sink_;
    std::string peer_;
    Role role_ = Role::None;
    std::string account_;
    std::map<std::string, PendingUpload> pending_;
    std::optional<ActiveUpload> active_;
    std::string note_;  // what the current request did, for the log line
};

// The refusal text for a request the session's role does not allow.
std::string NotAllowedText(Session::Role role);

// Writes one line to stderr; lines from several threads never interleave.
void LogLine(std::string_view line);

}  // namespace tessd
