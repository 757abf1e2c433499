// The server's state under DIR: accounts, address books, the index of stored files and the
// prepaid cards in SQLite (DIR/tessd.db); file bodies in DIR/files, named by their row id so that
// no client text chooses a path; uploads in progress in DIR/tmp. One mutex serialises all access.
// DIR holds private keys and card passwords: it and everything in it is for tessd's user only.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"

namespace tessd {

struct StoredFile {
    std::int64_t id = 0;
    std::string storedName;  // sender's number, "@", file name
    std::string sender;
    std::uint32_t size = 0;
    std::uint32_t sentAt = 0;
};

struct FriendEntry {
    std::string number;
    std::string key;  // the public key the owner added the friend with
};

enum class CommitResult { Ok, OverQuota, Failed };
enum class RechargeResult { Ok, NoAccount, BadCard, CardUsed, WrongType, Failed };

class Store {
  public:
    // Opens or creates the store below `dir`; nullptr with a message in `error` on failure.
    static std::unique_ptr<Store> Open(const std::filesystem::path& dir, std::string& error);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }

    // Accounts.
    std::optional<UserProfile> FindAccount(std::string_view number);
    // False when the number exists already (or on a database error).
    bool CreateAccount(const UserProfile& profile);
    // Replaces the whole record except the user type, which only a recharge changes.
    bool UpdateProfile(const UserProfile& profile);

    // The public profile of an account held by another server, as that server last gave it
    // (kept with its private key zeroed).
    bool PutRemoteProfile(const UserProfile& profile);
    std::optional<UserProfile> FindRemoteProfile(std::string_view number);
    // What others may see of an account: held here, else as its own server gave it. The private
    // key is zero.
    std::optional<UserProfile> FindPublicProfile(std::string_view number);

    // Address books, in the order the entries were added.
    std::vector<FriendEntry> Friends(std::string_view owner);
    bool HasFriend(std::string_view owner, std::string_view number);
    bool PutFriend(std::string_view owner, std::string_view number, std::string_view key);
    bool RemoveFriend(std::string_view owner, std::string_view number);

    // Stored files of an owner's space.
    std::vector<StoredFile> Files(std::string_view owner);
    std::optional<StoredFile> FindFile(std::string_view owner, std::string_view storedName);
    std::uint64_t UsedSpace(std::string_view owner);
    bool DeleteFile(std::string_view owner, std::string_view storedName);
    // Moves a finished upload into the owner's space, replacing a file of the same stored name,
    // provided the space quota of the owner still allows it. The temporary file is consumed.
    CommitResult CommitUpload(std::string_view owner, const StoredFile& file,
                              const std::filesystem::path& tempPath);

    std::filesystem::path BodyPath(std::int64_t id) const;
    // A fresh path below DIR/tmp for an upload in progress.
    std::filesystem::path NewTempPath();

    // Prepaid cards.
    bool AddCard(std::string_view number, std::string_view password, char type);
    RechargeResult Recharge(std::string_view account, char cardType, std::string_view cardNumber,
                            std::string_view cardPassword);

  private:
    struct DbCloser {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };

    Store() = default;
    bool Exec(const char* sql);
    bool Migrate(std::string& error);
    std::optional<UserProfile> FindAccountLocked(std::string_view number);
    std::uint64_t UsedSpaceLocked(std::string_view owner);

    std::mutex mutex_;
    std::unique_ptr<sqlite3, DbCloser> db_;
    std::filesystem::path dir_;
    std::uint64_t tempCounter_ = 0;
};

}  // namespace tessd
