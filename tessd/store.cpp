#include "store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

#include "fd.h"

namespace tessd {

namespace fs = std::filesystem;

namespace {

// One prepared statement; texts are bound and read as blobs so that GBK bytes compare exactly.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }

    Statement& Bind(int index, std::string_view text) {
        static const char kEmpty = 0;
        if (stmt_)
            sqlite3_bind_blob(stmt_, index, text.empty() ? &kEmpty : text.data(),
                              static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, const std::uint8_t* data, std::size_t length) {
        return Bind(index, std::string_view(reinterpret_cast<const char*>(data), length));
    }
    Statement& BindInt(int index, std::int64_t value) {
        if (stmt_) sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }

    // True while a row is available.
    bool Row() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }
    // Runs a statement that returns no rows.
    bool Run() {
        if (!stmt_) return false;
        const int rc = sqlite3_step(stmt_);
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }

    std::string Text(int column) const {
        const void* p = sqlite3_column_blob(stmt_, column);
        const int n = sqlite3_column_bytes(stmt_, column);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                 : std::string();
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Rolls back unless committed.
class Transaction {
  public:
    explicit Transaction(sqlite3* db) : db_(db) {
        active_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction() {
        if (active_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool active() const { return active_; }
    bool Commit() {
        if (!active_) return false;
        active_ = false;
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

  private:
    sqlite3* db_;
    bool active_ = false;
};

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts (
    number BLOB PRIMARY KEY,
    profile BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS friends (
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    owner BLOB NOT NULL,
    number BLOB NOT NULL,
    key BLOB NOT NULL,
    UNIQUE (owner, number)
);
CREATE TABLE IF NOT EXISTS files (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    owner BLOB NOT NULL,
    stored_name BLOB NOT NULL,
    sender BLOB NOT NULL,
    size INTEGER NOT NULL,
    sent_at INTEGER NOT NULL,
    UNIQUE (owner, stored_name)
);
CREATE TABLE IF NOT EXISTS remote_profiles (
    number BLOB PRIMARY KEY,
    profile BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS cards (
    number BLOB PRIMARY KEY,
    password BLOB NOT NULL,
    type INTEGER NOT NULL,
    used_by BLOB,
    used_at INTEGER
);
)sql";

// The profile `sql` selects: one column, the account number its one parameter.
std::optional<UserProfile> ReadProfile(sqlite3* db, const char* sql, std::string_view number) {
    Statement s(db, sql);
    s.Bind(1, number);
    if (!s.Row()) return std::nullopt;
    const std::string blob = s.Text(0);
    return UserProfile::FromBytes(reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size());
}

// Folders 0700 and files 0600 from `dir` down, so that data left by an earlier run, or put there
// by hand, is tightened too. Symbolic links are left alone: they are not followed.
bool MakePrivate(const fs::path& dir, std::string& error) {
    auto tighten = [&](const fs::path& path, const fs::file_status& status) {
        const fs::perms wanted = fs::is_directory(status) ? fs::perms::owner_all
                                 : fs::is_regular_file(status)
                                     ? fs::perms::owner_read | fs::perms::owner_write
                                     : status.permissions();
        if (status.permissions() == wanted) return true;
        std::error_code ec;
        fs::permissions(path, wanted, ec);
        if (ec) error = "cannot make " + path.string() + " private: " + ec.message();
        return !ec;
    };
    std::error_code ec;
    if (!tighten(dir, fs::status(dir, ec))) return false;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (!fs::is_symlink(it->symlink_status()) && !tighten(it->path(), it->status()))
            return false;
    if (ec) error = "cannot read " + dir.string() + ": " + ec.message();
    return !ec;
}

// SQLite gives a new database 0644 whatever the umask, and its -wal and -shm files the mode of the
// database: a database that exists already as 0600 keeps all three private.
bool CreatePrivateFile(const fs::path& path, std::string& error) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid() || ::fchmod(fd.get(), 0600) != 0) {
        error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Store> Store::Open(const fs::path& dir, std::string& error) {
    std::unique_ptr<Store> store(new Store());
    store->dir_ = dir;
    std::error_code ec;
    for (const char* sub : {"files", "tmp", "config"}) {
        fs::create_directories(dir / sub, ec);
        if (ec) {
            error = "cannot create " + (dir / sub).string() + ": " + ec.message();
            return nullptr;
        }
    }
    // Uploads that were in progress when the server stopped are never listed; drop them.
    for (const auto& entry : fs::directory_iterator(dir / "tmp", ec)) fs::remove(entry.path(), ec);

    const fs::path dbPath = dir / "tessd.db";
    if (!MakePrivate(dir, error) || !CreatePrivateFile(dbPath, error)) return nullptr;
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(dbPath.c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    store->db_.reset(raw);
    if (rc != SQLITE_OK) {
        error = "cannot open " + dbPath.string() + ": " + sqlite3_errstr(rc);
        return nullptr;
    }
    if (!store->Migrate(error)) return nullptr;
    return store;
}

Store::~Store() = default;

bool Store::Exec(const char* sql) {
    return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Store::Migrate(std::string& error) {
    sqlite3_busy_timeout(db_.get(), 5000);
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") || !Exec(kSchema)) {
        error = std::string("cannot set up the database: ") + sqlite3_errmsg(db_.get());
        return false;
    }
    return true;
}

std::optional<UserProfile> Store::FindAccountLocked(std::string_view number) {
    return ReadProfile(db_.get(), "SELECT profile FROM accounts WHERE number = ?", number);
}

std::optional<UserProfile> Store::FindAccount(std::string_view number) {
    std::lock_guard lock(mutex_);
    return FindAccountLocked(number);
}

bool Store::CreateAccount(const UserProfile& profile) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(), "INSERT OR IGNORE INTO accounts (number, profile) VALUES (?, ?)");
    s.Bind(1, profile.Number()).Bind(2, profile.data(), UserProfile::kSize);
    return s.Run() && sqlite3_changes(db_.get()) == 1;
}

bool Store::UpdateProfile(const UserProfile& profile) {
    std::lock_guard lock(mutex_);
    const auto current = FindAccountLocked(profile.Number());
    if (!current) return false;
    UserProfile updated = profile;
    updated.SetUserType(current->UserType());
    Statement s(db_.get(), "UPDATE accounts SET profile = ? WHERE number = ?");
    s.Bind(1, updated.data(), UserProfile::kSize).Bind(2, profile.Number());
    return s.Run() && sqlite3_changes(db_.get()) == 1;
}

bool Store::PutRemoteProfile(const UserProfile& profile) {
    UserProfile shown = profile;
    shown.SetPrivateKey("");
    std::lock_guard lock(mutex_);
    Statement s(db_.get(),
                "INSERT INTO remote_profiles (number, profile) VALUES (?, ?) "
                "ON CONFLICT (number) DO UPDATE SET profile = excluded.profile");
    s.Bind(1, shown.Number()).Bind(2, shown.data(), UserProfile::kSize);
    return s.Run();
}

std::optional<UserProfile> Store::FindRemoteProfile(std::string_view number) {
    std::lock_guard lock(mutex_);
    return ReadProfile(db_.get(), "SELECT profile FROM remote_profiles WHERE number = ?", number);
}

std::optional<UserProfile> Store::FindPublicProfile(std::string_view number) {
    auto profile = FindAccount(number);
    if (!profile) return FindRemoteProfile(number);  // kept without its private key
    profile->SetPrivateKey("");
    return profile;
}

std::vector<FriendEntry> Store::Friends(std::string_view owner) {
    std::lock_guard lock(mutex_);
    std::vector<FriendEntry> out;
    Statement s(db_.get(), "SELECT number, key FROM friends WHERE owner = ? ORDER BY seq");
    s.Bind(1, owner);
    while (s.Row()) out.push_back({s.Text(0), s.Text(1)});
    return out;
}

bool Store::HasFriend(std::string_view owner, std::string_view number) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(), "SELECT 1 FROM friends WHERE owner = ? AND number = ?");
    s.Bind(1, owner).Bind(2, number);
    return s.Row();
}

bool Store::PutFriend(std::string_view owner, std::string_view number, std::string_view key) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(),
                "INSERT INTO friends (owner, number, key) VALUES (?, ?, ?) "
                "ON CONFLICT (owner, number) DO UPDATE SET key = excluded.key");
    s.Bind(1, owner).Bind(2, number).Bind(3, key);
    return s.Run();
}

bool Store::RemoveFriend(std::string_view owner, std::string_view number) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(), "DELETE FROM friends WHERE owner = ? AND number = ?");
    s.Bind(1, owner).Bind(2, number);
    return s.Run() && sqlite3_changes(db_.get()) == 1;
}

std::vector<StoredFile> Store::Files(std::string_view owner) {
    std::lock_guard lock(mutex_);
    std::vector<StoredFile> out;
    Statement s(db_.get(),
                "SELECT id, stored_name, sender, size, sent_at FROM files WHERE owner = ? "
                "ORDER BY id");
    s.Bind(1, owner);
    while (s.Row())
        out.push_back({s.Int(0), s.Text(1), s.Text(2), static_cast<std::uint32_t>(s.Int(3)),
                       static_cast<std::uint32_t>(s.Int(4))});
    return out;
}

std::optional<StoredFile> Store::FindFile(std::string_view owner, std::string_view storedName) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(),
                "SELECT id, stored_name, sender, size, sent_at FROM files "
                "WHERE owner = ? AND stored_name = ?");
    s.Bind(1, owner).Bind(2, storedName);
    if (!s.Row()) return std::nullopt;
    return StoredFile{s.Int(0), s.Text(1), s.Text(2), static_cast<std::uint32_t>(s.Int(3)),
                      static_cast<std::uint32_t>(s.Int(4))};
}

std::uint64_t Store::UsedSpaceLocked(std::string_view owner) {
    Statement s(db_.get(), "SELECT COALESCE(SUM(size), 0) FROM files WHERE owner = ?");
    s.Bind(1, owner);
    return s.Row() ? static_cast<std::uint64_t>(s.Int(0)) : 0;
}

std::uint64_t Store::UsedSpace(std::string_view owner) {
    std::lock_guard lock(mutex_);
    return UsedSpaceLocked(owner);
}

bool Store::DeleteFile(std::string_view owner, std::string_view storedName) {
    std::lock_guard lock(mutex_);
    Statement find(db_.get(), "SELECT id FROM files WHERE owner = ? AND stored_name = ?");
    find.Bind(1, owner).Bind(2, storedName);
    if (!find.Row()) return false;
    const std::int64_t id = find.Int(0);
    Statement del(db_.get(), "DELETE FROM files WHERE id = ?");
    del.BindInt(1, id);
    if (!del.Run()) return false;
    std::error_code ec;
    fs::remove(BodyPath(id), ec);
    return true;
}

CommitResult Store::CommitUpload(std::string_view owner, const StoredFile& file,
                                 const fs::path& tempPath) {
    std::error_code ec;
    std::lock_guard lock(mutex_);
    Transaction tx(db_.get());
    const auto account = FindAccountLocked(owner);
    if (!tx.active() || !account) {
        fs::remove(tempPath, ec);
        return CommitResult::Failed;
    }
    std::optional<std::int64_t> oldId;
    std::uint64_t oldSize = 0;
    {
        Statement s(db_.get(), "SELECT id, size FROM files WHERE owner = ? AND stored_name = ?");
        s.Bind(1, owner).Bind(2, file.storedName);
        if (s.Row()) {
            oldId = s.Int(0);
            oldSize = static_cast<std::uint64_t>(s.Int(1));
        }
    }
    if (UsedSpaceLocked(owner) - oldSize + file.size > QuotaForUserType(account->UserType())) {
        fs::remove(tempPath, ec);
        return CommitResult::OverQuota;
    }
    Statement del(db_.get(), "DELETE FROM files WHERE owner = ? AND stored_name = ?");
    del.Bind(1, owner).Bind(2, file.storedName);
    Statement ins(db_.get(),
                  "INSERT INTO files (owner, stored_name, sender, size, sent_at) "
                  "VALUES (?, ?, ?, ?, ?)");
    ins.Bind(1, owner).Bind(2, file.storedName).Bind(3, file.sender).BindInt(4, file.size);
    ins.BindInt(5, file.sentAt);
    if (!del.Run() || !ins.Run()) {
        fs::remove(tempPath, ec);
        return CommitResult::Failed;
    }
    const fs::path body = BodyPath(sqlite3_last_insert_rowid(db_.get()));
    fs::rename(tempPath, body, ec);
    if (ec || !tx.Commit()) {
        fs::remove(ec ? tempPath : body, ec);
        return CommitResult::Failed;
    }
    if (oldId) fs::remove(BodyPath(*oldId), ec);
    return CommitResult::Ok;
}

fs::path Store::BodyPath(std::int64_t id) const {
    return dir_ / "files" / (std::to_string(id) + ".dat");
}

fs::path Store::NewTempPath() {
    std::lock_guard lock(mutex_);
    return dir_ / "tmp" / (std::to_string(++tempCounter_) + ".part");
}

bool Store::AddCard(std::string_view number, std::string_view password, char type) {
    std::lock_guard lock(mutex_);
    Statement s(db_.get(),
                "INSERT INTO cards (number, password, type) VALUES (?, ?, ?) "
                "ON CONFLICT (number) DO NOTHING");
    s.Bind(1, number).Bind(2, password).BindInt(3, type);
    return s.Run();
}

RechargeResult Store::Recharge(std::string_view account, char cardType, std::string_view cardNumber,
                               std::string_view cardPassword) {
    std::lock_guard lock(mutex_);
    Transaction tx(db_.get());
    if (!tx.active()) return RechargeResult::Failed;
    auto profile = FindAccountLocked(account);
    if (!profile) return RechargeResult::NoAccount;
    Statement card(db_.get(), "SELECT password, type, used_by FROM cards WHERE number = ?");
    card.Bind(1, cardNumber);
    if (!card.Row() || card.Text(0) != cardPassword) return RechargeResult::BadCard;
    if (!card.Text(2).empty()) return RechargeResult::CardUsed;
    const char type = static_cast<char>(card.Int(1));
    if (type != cardType) return RechargeResult::WrongType;

    profile->SetUserType(type);
    Statement use(db_.get(), "UPDATE cards SET used_by = ?, used_at = ? WHERE number = ?");
    use.Bind(1, account).BindInt(2, static_cast<std::int64_t>(std::time(nullptr)));
    use.Bind(3, cardNumber);
    Statement upd(db_.get(), "UPDATE accounts SET profile = ? WHERE number = ?");
    upd.Bind(1, profile->data(), UserProfile::kSize).Bind(2, account);
    if (!use.Run() || !upd.Run() || !tx.Commit()) return RechargeResult::Failed;
    return RechargeResult::Ok;
}

}  // namespace tessd
