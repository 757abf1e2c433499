// Remembered logins: "<AppDir>/remember.ini", a 4-byte little-endian header (index of the record
// used by the most recent successful login, plain) followed by 64-byte records, each XORed with
// 0x5C. A record is an account number and a private key, 32 bytes each; the key half is all zero
// when the user did not ask for the key to be remembered. A number occurs at most once.
#pragma once

#include "core/base/gbk.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace tessan {

// One 64-byte record in plain (unscrambled) form.
class RememberedLogin {
  public:
    static constexpr std::size_t kSize = 64;
    static constexpr std::size_t kFieldWidth = 32;
    static constexpr std::size_t kNumberOffset = 0;
    static constexpr std::size_t kKeyOffset = 32;
    static_assert(kKeyOffset + kFieldWidth == kSize);

    RememberedLogin() = default;
    // The login's record: the number, and the key only when it is to be remembered.
    RememberedLogin(QByteArrayView number, QByteArrayView privateKey);

    QByteArray Number() const;
    QByteArray PrivateKey() const;
    bool HasPrivateKey() const { return bytes_[kKeyOffset] != 0; }

    std::array<std::uint8_t, kSize>& Bytes() { return bytes_; }
    const std::array<std::uint8_t, kSize>& Bytes() const { return bytes_; }

  private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// The records loaded for one login dialog. Owned by the login dialog for as long as it is open.
class RememberedLogins {
  public:
    static constexpr std::uint8_t kMask = 0x5C;
    static constexpr std::size_t kHeaderSize = 4;

    explicit RememberedLogins(QString appDir);

    // Reads the file again; returns the number of records loaded.
    int Load();
    // Writes `login` over the loaded record with the same number, or appends it; either way it
    // becomes the last used. The loaded records are not updated (the next load reads the file).
    // Returns false when the file could not be opened or written. The file is readable by the
    // user only: it holds keys.
    bool SaveRememberedLogin(const RememberedLogin& login);
    // Deletes the file and forgets the loaded records.
    void Clear();

    int Count() const { return static_cast<int>(records_.size()); }
    // The record of the most recent successful login; -1 when the file names none that is there.
    int LastUsedIndex() const { return lastUsed_ < Count() ? lastUsed_ : -1; }
    const RememberedLogin& Record(int index) const {
        return records_.at(static_cast<std::size_t>(index));
    }
    QString Path() const { return path_; }

  private:
    QString path_;
    std::vector<RememberedLogin> records_;
    int lastUsed_ = -1;
};

}  // namespace tessan
